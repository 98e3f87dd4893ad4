# Shared by run.sh and scripts/screenshots.sh: the simulated projectors and the demo
# configuration. Source it; it defines functions only.

# wait_for_pjsim OUTPUT_FILE PID: waits until pjsim has printed READY, then sets the array
# `ports` to the TCP ports of its projectors in order. Fails when pjsim ends or never gets ready.
wait_for_pjsim() {
    local out=$1 pid=$2
    for _ in $(seq 100); do
        if grep -q '^READY' "$out"; then
            break
        fi
        if ! kill -0 "$pid" 2>/dev/null; then
            cat "$out" >&2
            return 1
        fi
        sleep 0.1
    done
    if ! grep -q '^READY' "$out"; then
        echo "pjsim did not start" >&2
        return 1
    fi
    mapfile -t ports < <(awk '$1 == "PROJECTOR" { n = split($3, a, ":"); print a[n] }' "$out")
}

# demo_projectors PASSWORD PORT...: the projector sections of a configuration, one network
# projector on 127.0.0.1 per PORT, the second asking for PASSWORD, the first reported.
demo_projectors() {
    local password=$1
    shift
    local -a ports=("$@")
    local n pw
    printf '[PROJECTOR]\nPJTNUM=%d\nSELECTPRJ=1\n' "${#ports[@]}"
    for ((n = 1; n <= ${#ports[@]}; n++)); do
        pw=""
        if ((n == 2)); then pw=$password; fi
        printf '[CONNECT-%d]\nCONMETHOD=1\nCOMPORTNO=0\nTCPPORTNO=%s\nIPADDRESS=127.0.0.1\nPASSWORD=%s\n' \
            "$n" "${ports[n - 1]}" "$pw"
    done
}

# demo_configuration MODEL ICON PASSWORD PORT...: prints a configuration of MODEL (model id
# 101) with one network projector on 127.0.0.1 per PORT, the second asking for PASSWORD, the
# first reported on the toolbar, every button shown, images taken (Image Send), the sample
# catalog's adjustments, HDMI 1 and Video labelled, icon size ICON (0, 1 or 2).
demo_configuration() {
    local model=$1 icon=$2 password=$3
    shift 3
    local key
    printf '[GENERAL]\nMODEL=%s\nModelID=101\nType=1\nDiscovery=0\nImageSendEnable=1\nImageDispEnable=1\n' "$model"
    demo_projectors "$password" "$@"
    printf '[TOOLBAR]\n'
    for key in CONFIG POWERON POWEROFF BLANKON BLANKOFF VOLUME MUTE FREEZEON FREEZEOFF ABOUT; do
        printf '%s=1\n' "$key"
    done
    printf 'ADVANCE=1\nIMGSEND=1\n'
    printf '[INPUTSOURCE]\nInputNum=7\n'
    printf 'Input_001=1;0;Computer in 1\nInput_002=1;4;Computer in 2\nInput_003=1;3;HDMI 1\n'
    printf 'Input_004=1;13;HDMI 2\nInput_005=1;1;Video\nInput_006=0;2;S-Video\nInput_007=1;11;LAN\n'
    printf '[SCREEN]\nICON=%d\nALWAYSONTOP=0\n' "$icon"
    # The model's adjustments and mode lists, as the sample catalog has them.
    local range
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
}
