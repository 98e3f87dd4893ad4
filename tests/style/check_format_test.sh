#!/usr/bin/env bash
# The format check passes a formatted tree and fails on one misformatted line, naming it.
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source_dir/.clang-format" "$work/"
printf 'int Twice(int x) {\n    return 2 * x;\n}\n' > "$work/Good.cpp"
"$source_dir/scripts/check-format.sh" "$work" > "$work/out.txt"
printf 'int  Half(int x) { return x/2; }\n' > "$work/Bad.cpp"
if "$source_dir/scripts/check-format.sh" "$work" > "$work/out.txt" 2>&1; then
    echo "a misformatted file passed the check" >&2
    exit 1
fi
grep -q '^-int  Half' "$work/out.txt" || { echo "the check did not show the line"; cat "$work/out.txt"; exit 1; }
