#!/usr/bin/env bash
# Builds Orvane and runs the toolbar against three simulated projectors on 127.0.0.1.
# Without a display the same projectors are driven through orvanectl instead.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

gui=0
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    gui=1
fi
targets=(orvanectl pjsim)
if ((gui)); then
    targets+=(orvane OrvaneUsrEdit adjust_demo)
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "${targets[@]}"

# A ready-to-run program folder: the programs, both catalogs and the sample model catalog.
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
cp build/bin/orvanectl build/bin/pjsim build/bin/txtdef.cat build/bin/txtzhs.cat res/OrvaneModel.txt "$demo"/
if ((gui)); then
    cp build/bin/orvane build/bin/OrvaneUsrEdit "$demo"/
    # The sample adjustment plug-in: model PX-Demo, with a dialog of its own.
    cp -r build/bin/plugin "$demo"/
fi
echo "Models of the sample catalog and plug-ins (index, name, model id):"
"$demo"/orvanectl --dir "$demo" models

# Three projectors: a plain one and one that asks for a password, both on, and one that is
# off and warms up for three seconds after every power change (it answers "neither on nor
# off" meanwhile, and refuses other commands until it is on). Their picture settings differ;
# the second lacks the tint and the gamma modes.
password=orvane
mkdir -p "$demo/images"
picture=0x4000:50+0x4001:45+0x4002:50+0x4004:8+0x4015:-4+0x4100:2+0x4103:1
"$demo/pjsim" --log "$demo/pjsim.log" --image-dir "$demo/images" \
    --projector "127.0.0.1:0,name=Lectern,power=on,input=3,volume=20,values=$picture" \
    --projector "127.0.0.1:0,name=Left,password=$password,power=on,input=3,volume=20,values=$picture,refuse=0x4003+0x4102" \
    --projector "127.0.0.1:0,name=Right,power=off,warm=3000,input=3,values=$picture" >"$demo/pjsim.out" 2>&1 &
pjsim_pid=$!
trap 'kill "$pjsim_pid" 2>/dev/null || true; wait "$pjsim_pid" 2>/dev/null || true' EXIT

for _ in $(seq 100); do
    if grep -q '^READY' "$demo/pjsim.out"; then
        break
    fi
    if ! kill -0 "$pjsim_pid" 2>/dev/null; then
        cat "$demo/pjsim.out" >&2
        exit 1
    fi
    sleep 0.1
done
if ! grep -q '^READY' "$demo/pjsim.out"; then
    echo "pjsim did not start" >&2
    exit 1
fi
mapfile -t ports < <(awk '$1 == "PROJECTOR" { n = split($3, a, ":"); print a[n] }' "$demo/pjsim.out")

# The three projectors as a configuration file writes them.
projectors() {
    printf '[PROJECTOR]\nPJTNUM=3\nSELECTPRJ=1\n'
    for n in 1 2 3; do
        pw=""
        if ((n == 2)); then pw=$password; fi
        printf '[CONNECT-%d]\nCONMETHOD=1\nCOMPORTNO=0\nTCPPORTNO=%s\nIPADDRESS=127.0.0.1\nPASSWORD=%s\n' \
            "$n" "${ports[n - 1]}" "$pw"
    done
}

# The demo configuration: model AX-210 with the three projectors, the first one reported on
# the toolbar, HDMI 1 and Video labelled, taking images (the Image Send button; pjsim keeps
# what it takes in build/demo/images). The options skip the login, start with this
# configuration and poll every 5 seconds.
model=AX-210
{
    printf '[GENERAL]\nMODEL=%s\nModelID=101\nType=1\nDiscovery=0\nImageSendEnable=1\nImageDispEnable=1\n' "$model"
    projectors
    printf '[TOOLBAR]\n'
    for key in CONFIG POWERON POWEROFF BLANKON BLANKOFF VOLUME MUTE FREEZEON FREEZEOFF ABOUT; do
        printf '%s=1\n' "$key"
    done
    printf 'ADVANCE=1\nIMGSEND=1\n'
    printf '[INPUTSOURCE]\nInputNum=7\n'
    printf 'Input_001=1;0;Computer in 1\nInput_002=1;4;Computer in 2\nInput_003=1;3;HDMI 1\n'
    printf 'Input_004=1;13;HDMI 2\nInput_005=1;1;Video\nInput_006=0;2;S-Video\nInput_007=1;11;LAN\n'
    printf '[SCREEN]\nICON=1\nALWAYSONTOP=0\n'
    # The model's adjustments and mode lists, as the sample catalog has them.
    for range in Brightness=0,100 Contrast=0,100 Color=0,100 Tint=0,100 Sharpness=0,15 Volume=0,63 \
        Treble=0,20 Bass=0,20 KeystoneV=-30,30 AutoPowerOff=0,99; do
        printf '[%s]\nMin-Max=%s\n' "${range%%=*}" "${range#*=}"
    done
    printf '[ASPECT]\nAspectNum=4\nAspect_001=0;Normal\nAspect_002=1;4:3\nAspect_003=2;16:9\nAspect_004=3;Zoom\n'
    printf '[WHISPER]\nWhisperNum=2\nWhisper_001=0;Normal\nWhisper_002=1;Eco\n'
    printf '[GAMMA]\nGammaNum=3\nGamma_001=0;Standard\nGamma_002=1;Presentation\nGamma_003=2;Movie\n'
    printf '[COLORTEMP]\nColorTempNum=4\nColorTemp_001=0;High\nColorTemp_002=1;Middle\nColorTemp_003=2;Low\n'
    printf 'ColorTemp_004=3;Custom\n'
    printf '[MYBUTTON]\nMyButtonNum=4\nMyButton_001=1;Blank\nMyButton_002=2;Freeze\nMyButton_003=3;Magnify\n'
    printf 'MyButton_004=4;Picture mode\n'
    printf '[INPUTSOURCEVIEW]\nInputNameView_001=PC1\nInputNameView_002=PC2\nInputNameView_003=Desk\n'
    printf 'InputNameView_004=\nInputNameView_005=Camera\nInputNameView_006=\nInputNameView_007=\n'
} >"$demo/$model.txt"
cp "$demo/$model.txt" "$demo/Orvane.txt"
# The plug-in's model PX-Demo with the same projectors, for when the operator picks it in the
# configuration dialog (its Advance opens the plug-in's own dialog).
{
    printf '[GENERAL]\nMODEL=PX-Demo\nModelID=900\nType=1\nDiscovery=0\nImageSendEnable=0\nImageDispEnable=0\n'
    projectors
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

if ((gui)); then
    echo "Starting the toolbar; closing it stops the simulator."
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
