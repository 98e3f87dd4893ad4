#!/usr/bin/env bash
# Builds Orvane and runs the toolbar against four simulated projectors on 127.0.0.1, with the
# service orvaned serving the same projectors as the room "demo" on a free loopback port.
# Without a display the same projectors are driven through orvanectl instead, and orvaned
# serves them until Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/demo-lib.sh
./scripts/install-deps.sh

gui=0
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    gui=1
fi
targets=(orvanectl pjsim orvaned)
if ((gui)); then
    targets+=(orvane OrvaneUsrEdit adjust_demo)
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "${targets[@]}"

# A ready-to-run program folder: the programs, both catalogs and the sample model catalog.
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
cp build/bin/orvanectl build/bin/pjsim build/bin/orvaned build/bin/txtdef.cat build/bin/txtzhs.cat res/OrvaneModel.txt "$demo"/
if ((gui)); then
    cp build/bin/orvane build/bin/OrvaneUsrEdit "$demo"/
    # The sample adjustment plug-in: model PX-Demo, with a dialog of its own.
    cp -r build/bin/plugin "$demo"/
fi
echo "Models of the sample catalog and plug-ins (index, name, model id):"
"$demo"/orvanectl --dir "$demo" models

# Four projectors: a plain one and one that asks for a password, both on, one that is off
# and warms up for three seconds after every power change (it answers "neither on nor off"
# meanwhile, and refuses other commands until it is on), and one that speaks PJLink. Their
# picture settings differ; the second lacks the tint and the gamma modes. pjsim also
# answers discovery searches on loopback.
password=orvane
mkdir -p "$demo/images"
picture=0x4000:50+0x4001:45+0x4002:50+0x4004:8+0x4015:-4+0x4100:2+0x4103:1
"$demo/pjsim" --log "$demo/pjsim.log" --image-dir "$demo/images" \
    --projector "127.0.0.1:0,name=Lectern,power=on,input=3,volume=20,values=$picture" \
    --projector "127.0.0.1:0,name=Left,password=$password,power=on,input=3,volume=20,values=$picture,refuse=0x4003+0x4102" \
    --projector "127.0.0.1:0,name=Right,power=off,warm=3000,input=3,values=$picture" \
    --projector "127.0.0.1:0,name=Ceiling,protocol=pjlink,class=2,power=on,input=31,lamp=1834" \
    --discovery 127.0.0.1:0 >"$demo/pjsim.out" 2>&1 &
pjsim_pid=$!
orvaned_pid=""
stop_all() {
    local pid
    for pid in $orvaned_pid $pjsim_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
trap stop_all EXIT

wait_for_pjsim "$demo/pjsim.out" "$pjsim_pid"

# The demo configuration: model AX-210 with the four projectors, the first one reported on
# the toolbar, HDMI 1 and Video labelled, taking images (the Image Send button; pjsim keeps
# what it takes in build/demo/images). The options skip the login, start with this
# configuration and poll every 5 seconds.
model=AX-210
demo_configuration "$model" 1 "$password" "${ports[@]}" >"$demo/$model.txt"
cp "$demo/$model.txt" "$demo/Orvane.txt"
# The fourth projector's port speaks PJLink; discovery searches stay on loopback.
printf '[PJLink]\nPorts=%s\n' "${ports[3]}" >"$demo/LinkCore.conf"
discovery=$(awk '$1 == "DISCOVERY" { n = split($2, a, ":"); print a[n] }' "$demo/pjsim.out")
printf '[Probe]\nAddress=127.0.0.1\nPort=%s\n[PJLink]\nPort=%s\n' "$discovery" "${ports[3]}" >"$demo/Finder.conf"
# The plug-in's model PX-Demo with the same projectors, for when the operator picks it in the
# configuration dialog (its Advance opens the plug-in's own dialog).
{
    printf '[GENERAL]\nMODEL=PX-Demo\nModelID=900\nType=1\nDiscovery=0\nImageSendEnable=0\nImageDispEnable=0\n'
    demo_projectors "$password" "${ports[@]}"
    printf '[TOOLBAR]\n'
    for key in CONFIG POWERON POWEROFF BLANKON BLANKOFF VOLUME MUTE FREEZEON FREEZEOFF ADVANCE ABOUT; do
        printf '%s=1\n' "$key"
    done
    printf 'IMGSEND=0\n[INPUTSOURCE]\nInputNum=3\n'
    printf 'Input_001=1;0;Computer in 1\nInput_002=1;3;HDMI 1\nInput_003=1;1;Video\n'
    printf '[SCREEN]\nICON=1\nALWAYSONTOP=0\n'
    printf '[Brightness]\nMin-Max=0,100\n[Contrast]\nMin-Max=0,100\n[Sharpness]\nMin-Max=0,15\n'
    printf '[Volume]\nMin-Max=0,40\n'
    printf '[ASPECT]\nAspectNum=2\nAspect_001=0;4:3\nAspect_002=1;16:9\n'
    printf '[WHISPER]\nWhisperNum=2\nWhisper_001=0;Normal\nWhisper_002=1;Eco\n'
} >"$demo/PX-Demo.txt"
printf '1\n1\n5\n' >"$demo/OrvaneOpt.txt"
chmod 600 "$demo/$model.txt" "$demo/Orvane.txt" "$demo/PX-Demo.txt"

echo "Projectors (pjsim, requests logged in $demo/pjsim.log):"
grep '^PROJECTOR' "$demo/pjsim.out"

# The service: the demo configuration as room "demo", on a free loopback port, without tokens
# (so loopback only). Its folder holds the link's settings for the PJLink port.
service=$demo/service
mkdir -p "$service/rooms"
cp "$demo/$model.txt" "$service/rooms/demo.txt"
cp "$demo/LinkCore.conf" res/OrvaneModel.txt "$service"/
printf '[Service]\nListen=127.0.0.1:0\nPollSeconds=5\n[Rooms]\nFolder=rooms\n' >"$service/orvaned.conf"
"$demo/orvaned" --config "$service/orvaned.conf" >"$demo/orvaned.out" 2>"$demo/orvaned.log" &
orvaned_pid=$!
for _ in $(seq 100); do
    if grep -q '^READY' "$demo/orvaned.out" || ! kill -0 "$orvaned_pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
if ! grep -q '^READY' "$demo/orvaned.out"; then
    cat "$demo/orvaned.log" >&2
    echo "orvaned did not start" >&2
    exit 1
fi
awk '$1 == "LISTENING" { print $2 }' "$demo/orvaned.out" >"$demo/orvaned.url"
echo "orvaned serves room \"demo\" at $(cat "$demo/orvaned.url") (log: $demo/orvaned.log); try:"
echo "  curl $(cat "$demo/orvaned.url")/api/v1/rooms/demo"
echo "The web remote: open $(cat "$demo/orvaned.url")/ in a browser."

if ((gui)); then
    echo "Starting the toolbar; closing it stops the simulator and orvaned."
    (cd "$demo" && ./orvane "$model")
    exit 0
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the same demo through orvanectl."
ctl() {
    echo "\$ orvanectl $*"
    (cd "$demo" && ./orvanectl "$@") || true
}
ctl power on
ctl status
ctl input video
ctl status
ctl info

echo "orvaned keeps serving room \"demo\" at $(cat "$demo/orvaned.url"); Ctrl-C stops it and the projectors."
wait "$orvaned_pid" || true
