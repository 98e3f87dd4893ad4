#!/usr/bin/env bash
# Fails when a tracked C or C++ file is not formatted as .clang-format says, and shows the
# lines clang-format would change. Run from anywhere; ROOT may be given for a fixture tree.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
if [[ -d .git || -f .git ]]; then
    mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
else
    mapfile -t files < <(find . -name '*.c' -o -name '*.cpp' -o -name '*.h' | sort)
fi
bad=0
for f in "${files[@]}"; do
    if ! out=$(clang-format --style=file "$f" | diff -u --label "$f" --label "$f (formatted)" "$f" -); then
        printf '%s\n' "$out"
        bad=$((bad + 1))
    fi
done
if ((bad)); then
    echo "check-format: $bad file(s) not formatted; run clang-format -i on them" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files formatted"
