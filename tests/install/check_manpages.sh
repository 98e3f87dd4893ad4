#!/usr/bin/env bash
# Each program's manual page names exactly the options (and, for orvanectl, the commands)
# that the program's --help lists, so that neither can drift from the other.
# Usage: check_manpages.sh SOURCE_DIR BIN_DIR
set -euo pipefail
src=$1
bin=$2
failed=0

# Option words of a --help text: "  -h,--help", "  --dir TEXT", "  -SkipUserCheck ...".
help_options() {
    grep -oE '^ +(-[A-Za-z], ?)?(--[a-z][a-z-]*|-[A-Z][A-Za-z]+)' | grep -oE -- '(--[a-z][a-z-]*|-[A-Z][A-Za-z]+)$' || true
}
# Option words a page defines: a line beginning "*--dir*", "*-h*, *--help*" or "*-SkipUserCheck*".
page_options() {
    grep -oE '^\*(-[A-Za-z]\*, \*)?(--[a-z][a-z-]*|-[A-Z][A-Za-z]+)\*' "$1" | grep -oE -- '(--[a-z][a-z-]*|-[A-Z][A-Za-z]+)' || true
}

compare() { # NAME WHAT HELP_WORDS PAGE_WORDS
    if ! out=$(diff <(sort -u <<<"$3") <(sort -u <<<"$4")); then
        echo "$1(1): the $2 of --help (<) and of the manual page (>) differ:"
        echo "$out"
        failed=1
    fi
}

programs=(orvane pjsim)
if [[ -x $bin/orvaned ]]; then
    programs+=(orvaned)
fi
for program in "${programs[@]}"; do
    compare "$program" options "$("$bin/$program" --help | help_options)" "$(page_options "$src/docs/man/$program.1.scd")"
done

ctl=$bin/orvanectl
page=$src/docs/man/orvanectl.1.scd
commands=$("$ctl" --help | sed -n '/^Subcommands:/,$p' | grep -oE '^  [a-z][a-z-]*' | tr -d ' ')
page_commands=$(sed -n '/^# COMMANDS/,/^# [A-Z]/p' "$page" | grep -oE '^\*[a-z][a-z-]*( [a-z][a-z-]*)?\*' | tr -d '*' |
    cut -d' ' -f1)
compare orvanectl commands "$commands" "$page_commands"
# Commands of a command word ("image send") are listed under it: their options count too.
subcommands() { "$ctl" "$@" --help | sed -n '/^Subcommands:/,$p' | grep -oE '^  [a-z][a-z-]*' | tr -d ' ' || true; }
options=$("$ctl" --help | help_options)
for command in $commands; do
    options+=$'\n'$("$ctl" "$command" --help | help_options)
    for sub in $(subcommands "$command"); do
        options+=$'\n'$("$ctl" "$command" "$sub" --help | help_options)
    done
done
compare orvanectl options "$options" "$(page_options "$page")"

if ((failed)); then
    exit 1
fi
echo "manual pages match --help: orvane, orvanectl ($(wc -w <<<"$commands") commands), pjsim"
