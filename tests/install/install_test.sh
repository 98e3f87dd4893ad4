#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and runs the installed commands the way a user
# does: a fresh HOME, orvanectl and pjsim from bin driving each other on 127.0.0.1, the
# per-user program folder, and orvanectl's bash completion.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
pjsim_pid=""
cleanup() {
    if [[ -n $pjsim_pid ]]; then
        kill "$pjsim_pid" 2>/dev/null || true
        wait "$pjsim_pid" 2>/dev/null || true
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

DESTDIR=$tmp/root cmake --install "$build" --prefix /usr >"$tmp/install.log" || {
    cat "$tmp/install.log"
    fail "cmake --install"
}
bin=$tmp/root/usr/bin
# A user's environment: nothing of the build's, a home of its own.
export HOME=$tmp/home
unset XDG_DATA_HOME XDG_RUNTIME_DIR
mkdir -p "$HOME"
folder=$HOME/.local/share/orvane

# First use makes the private folder with a copy of the model catalog.
"$bin/orvanectl" models >"$tmp/models.out" || fail "orvanectl models"
grep -q $'\tAX-210\t101' "$tmp/models.out" || fail "models: $(cat "$tmp/models.out")"
[[ $(stat -c %a "$folder") == 700 ]] || fail "folder mode $(stat -c %a "$folder")"
cmp -s "$folder/OrvaneModel.txt" "$tmp/root/usr/lib/orvane/OrvaneModel.txt" || fail "model catalog not copied"
[[ -L $folder/OrvaneUsrEdit && -L $folder/plugin ]] || fail "user tool or plug-ins not linked into the folder"
# Catalogs are read from the installation, not copied.
[[ ! -e $folder/txtdef.cat ]] || fail "catalog copied into the folder"
[[ $("$bin/orvanectl" text 11 47) == Orvane* ]] || fail "catalog text: $("$bin/orvanectl" text 11 47)"

# The user's own files are never replaced.
printf '\n; kept\n' >>"$folder/OrvaneModel.txt"
"$bin/orvanectl" models >/dev/null || fail "orvanectl models, second run"
grep -q '^; kept$' "$folder/OrvaneModel.txt" || fail "model catalog overwritten"

# The installed pjsim plays two projectors, both off, one with a password.
"$bin/pjsim" --projector 127.0.0.1:0,power=off --projector 127.0.0.1:0,power=off,password=secret \
    >"$tmp/pjsim.out" 2>&1 &
pjsim_pid=$!
for _ in $(seq 100); do
    grep -q '^READY' "$tmp/pjsim.out" && break
    kill -0 "$pjsim_pid" 2>/dev/null || fail "pjsim: $(cat "$tmp/pjsim.out")"
    sleep 0.1
done
grep -q '^READY' "$tmp/pjsim.out" || fail "pjsim did not start"
mapfile -t ports < <(awk '$1 == "PROJECTOR" { n = split($3, a, ":"); print a[n] }' "$tmp/pjsim.out")

{
    printf '[GENERAL]\nMODEL=AX-210\nModelID=101\nType=1\n[PROJECTOR]\nPJTNUM=2\nSELECTPRJ=1\n'
    printf '[CONNECT-1]\nCONMETHOD=1\nTCPPORTNO=%s\nIPADDRESS=127.0.0.1\nPASSWORD=\n' "${ports[0]}"
    printf '[CONNECT-2]\nCONMETHOD=1\nTCPPORTNO=%s\nIPADDRESS=127.0.0.1\nPASSWORD=secret\n' "${ports[1]}"
    printf '[INPUTSOURCE]\nInputNum=2\nInput_001=1;3;HDMI 1\nInput_002=1;1;Video\n'
} >"$folder/AX-210.txt"

# Options before and after the command word.
"$bin/orvanectl" --config AX-210 power on || fail "power on"
"$bin/orvanectl" status --config AX-210 >"$tmp/status.out" || fail "status: $(cat "$tmp/status.out")"
[[ $(grep -c ' power=1 ' "$tmp/status.out") == 2 ]] || fail "status: $(cat "$tmp/status.out")"
[[ $("$bin/orvanectl" configs) == AX-210 ]] || fail "configs: $("$bin/orvanectl" configs)"

# The installed service serves a room made from the same configuration, on a free loopback
# port, and ends cleanly on SIGTERM.
if [[ -e $bin/orvaned ]]; then
    service=$tmp/service
    mkdir -p "$service/rooms"
    cp "$folder/AX-210.txt" "$service/rooms/hall.txt"
    printf '[Service]\nListen=127.0.0.1:0\nPollSeconds=1\n[Rooms]\nFolder=rooms\n' >"$service/orvaned.conf"
    "$bin/orvaned" --config "$service/orvaned.conf" --check || fail "orvaned --check"
    "$bin/orvaned" --config "$service/orvaned.conf" >"$tmp/orvaned.out" 2>"$tmp/orvaned.err" &
    orvaned_pid=$!
    for _ in $(seq 100); do
        grep -q '^READY' "$tmp/orvaned.out" && break
        kill -0 "$orvaned_pid" 2>/dev/null || fail "orvaned: $(cat "$tmp/orvaned.err")"
        sleep 0.1
    done
    url=$(awk '$1 == "LISTENING" { print $2 }' "$tmp/orvaned.out")
    [[ $(curl -s "$url/healthz") == ok ]] || fail "orvaned /healthz at '$url'"
    curl -s "$url/api/v1/rooms/hall" | grep -q '"id": *"hall"' || fail "orvaned room: $(curl -s "$url/api/v1/rooms/hall")"
    kill "$orvaned_pid"
    wait "$orvaned_pid" || fail "orvaned did not end with status 0 on SIGTERM"
fi

# Bash completion, through the installed command.
# shellcheck source=/dev/null
source "$tmp/root/usr/share/bash-completion/completions/orvanectl"
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _orvanectl
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
PATH=$bin:$PATH
[[ $(complete_words orvanectl sta) == "status " ]] || fail "completion of a command: $(complete_words orvanectl sta)"
[[ $(complete_words orvanectl power --config "") == "AX-210 " ]] || fail "completion of --config"
[[ $(complete_words orvanectl --config AX-210 input usb) == 'USB\ type\ A USB\ type\ B ' ]] ||
    fail "completion of an input: $(complete_words orvanectl --config AX-210 input usb)"

# The toolbar from the installed command, with XDG_RUNTIME_DIR unset: it starts with the
# configuration (its instance lock is taken) and the toolkit prints no warning about it.
lock=/tmp/orvane-$(id -u)/PJT_MUTEX_ORVANE-AX-210
QT_QPA_PLATFORM=offscreen "$bin/orvane" AX-210 -SkipUserCheck >"$tmp/orvane.out" 2>&1 &
orvane_pid=$!
held=0
for _ in $(seq 300); do
    if [[ -e $lock ]] && ! flock -n "$lock" true; then
        held=1
        break
    fi
    kill -0 "$orvane_pid" 2>/dev/null || break
    sleep 0.1
done
kill "$orvane_pid" 2>/dev/null || true
wait "$orvane_pid" 2>/dev/null || true
((held)) || fail "orvane did not start with AX-210: $(cat "$tmp/orvane.out")"
if grep -q XDG_RUNTIME_DIR "$tmp/orvane.out"; then
    fail "orvane warns: $(cat "$tmp/orvane.out")"
fi

# The toolbar's command prepares the folder named by XDG_DATA_HOME and reaches the program.
export XDG_DATA_HOME=$tmp/data
"$bin/orvane" --help | grep -q -- '--program-dir' || fail "orvane --help"
[[ -f $XDG_DATA_HOME/orvane/OrvaneModel.txt ]] || fail "no folder under XDG_DATA_HOME"
echo "installed orvanectl and pjsim work together from a fresh HOME"
