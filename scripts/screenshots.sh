#!/usr/bin/env bash
# Takes the pictures of docs/images/ on a virtual X display: the toolbar at each icon size,
# the volume popup, the adjustment dialog, the configuration dialog's three tabs and a
# per-projector error box, against projectors
# simulated on 127.0.0.1. Run by hand after a build (./run.sh or ./test.sh); it is no test.
# SCREENSHOT_DISPLAY picks the display number (default :99).
#
# Dialog tabs and toolbar buttons are clicked at fixed places of their windows: after a
# change of layout or fonts, look at the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo-lib.sh
ORVANE_WITH_SCREENSHOTS=1 ./scripts/install-deps.sh
cmake --build build --target orvane pjsim >/dev/null

display=${SCREENSHOT_DISPLAY:-:99}
images=docs/images
mkdir -p "$images"
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
unset XDG_RUNTIME_DIR WAYLAND_DISPLAY

cp build/bin/orvane build/bin/txtdef.cat build/bin/txtzhs.cat res/OrvaneModel.txt "$work"/
printf '1\n1\n5\n' >"$work/OrvaneOpt.txt"
touch "$work/GETENG"

# Two projectors that are on and one that refuses every request.
build/bin/pjsim --log "$work/pjsim.log" --projector 127.0.0.1:0,power=on,input=3 \
    --projector 127.0.0.1:0,password=orvane,power=on,input=3 \
    --projector 127.0.0.1:0,power=on,fault=nak >"$work/pjsim.out" 2>&1 &
pids+=($!)
wait_for_pjsim "$work/pjsim.out" "${pids[-1]}"

# window_of TITLE: the id of the visible window titled TITLE (a regular expression).
window_of() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
        if [[ -n $id ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "no window \"$1\" appeared; the program said:" >&2
    tail -5 "$work/orvane.log" >&2
    return 1
}
shoot() { # WINDOW NAME
    sleep 0.5 # the window paints
    import -window "$1" "$images/$2.png"
    echo "$images/$2.png"
}

# start_toolbar CONFIGURATION: runs the toolbar with it as model AX-210; sets toolbar_pid.
start_toolbar() {
    cp "$1" "$work/AX-210.txt"
    cp "$1" "$work/Orvane.txt"
    (cd "$work" && exec ./orvane AX-210 -SkipUserCheck) >>"$work/orvane.log" 2>&1 &
    toolbar_pid=$!
    pids+=("$toolbar_pid")
}
stop_toolbar() {
    kill "$toolbar_pid" 2>/dev/null || true
    wait "$toolbar_pid" 2>/dev/null || true
}

for icon in 0 1 2; do
    demo_configuration AX-210 "$icon" orvane "${ports[@]:0:2}" >"$work/config.txt"
    start_toolbar "$work/config.txt"
    toolbar=$(window_of '^Orvane - AX-210$')
    shoot "$toolbar" "toolbar-$((24 + icon * 12))"
    if ((icon == 1)); then
        # Volume and Advance are the 12th and 16th buttons at this size.
        xdotool mousemove --window "$toolbar" 510 23 click 1
        sleep 1
        import -window root png:- | convert - -trim +repage "$images/volume-popup.png"
        echo "$images/volume-popup.png"
        sleep 6 # the popup goes after five seconds without a click
        xdotool mousemove --window "$toolbar" 673 23 click 1
        sleep 2
        xdotool key Return # the projector to adjust: the one offered
        sleep 3
        import -window root png:- | convert - -trim +repage "$images/adjustment.png"
        echo "$images/adjustment.png"
        stop_toolbar
        start_toolbar "$work/config.txt"
        toolbar=$(window_of '^Orvane - AX-210$')
        # The Config button is the first one.
        xdotool mousemove --window "$toolbar" 24 23 click 1
        dialog=$(window_of '^Configuration$')
        shoot "$dialog" config-connection
        xdotool mousemove --window "$dialog" 247 78 click 1
        shoot "$dialog" config-toolbar-buttons
        xdotool mousemove --window "$dialog" 402 78 click 1
        shoot "$dialog" config-options
    fi
    stop_toolbar
done

# The error box: a toolbar of one button, Blank On, for all three projectors; the third refuses.
demo_configuration AX-210 0 orvane "${ports[@]}" |
    sed -E -e '/^(CONFIG|POWERON|POWEROFF|BLANKOFF|VOLUME|MUTE|FREEZEON|FREEZEOFF|ABOUT|ADVANCE|IMGSEND)=/s/=1/=0/' \
        -e 's/^(Input_[0-9]+)=1;/\1=0;/' >"$work/config.txt"
start_toolbar "$work/config.txt"
toolbar=$(window_of '^Orvane - AX-210$')
eval "$(xdotool getwindowgeometry --shell "$toolbar")"
xdotool mousemove --window "$toolbar" $((WIDTH / 2)) $((HEIGHT / 2)) click 1
box=$(window_of '^Orvane$')
shoot "$box" error-box
stop_toolbar
