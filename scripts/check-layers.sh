#!/usr/bin/env bash
# The layering check. Every quoted include with a folder in it ("model/ConfigFile.h") is
# looked up the way the build finds it, and the folder holding the header must be
#  - in a lower layer than the including file, or
#  - the including file's own folder, or a folder of the same layer its row allows.
# Qt stays in the qt/ parts of layers 1 to 3: outside them no <Q...> header and no qt/ header
# is included (folders marked "all" are Qt through and through). A new folder needs a row.
# Usage: check-layers.sh [SOURCE_ROOT]   (the tree this script lies in by default)
set -euo pipefail
root=${1:-"$(cd "$(dirname "$0")/.." && pwd)"}

# folder                   layer  Qt     may include, of its own layer
table='
base/platform              1      none
base/plugin_api            1      none
base/model                 1      none   base/platform base/plugin_api
base/catalog               1      none   base/platform
components/widgets         2      all
components/linkcore        2      part
components/accounts        2      part   components/widgets
components/finder          2      part   components/linkcore
components/adjust          2      part   components/linkcore components/widgets
components/picpush         2      part   components/linkcore components/widgets
program/link               3      part
program/commands           3      part   program/link
program/config             3      part
program/mainwnd            3      part   program/link program/commands program/config
program/app                3      part
program/service            3      none   program/link program/commands program/config program/mainwnd
program/http               3      none   program/service
program/mqtt               3      none   program/service
program/web                3      none   program/http
programs                   4      any
plugins                    4      any
tests                      5      any
bench                      5      any    tests
'
# Where the build looks for a quoted include after the including file's own folder: the
# include root of each layer (and the plug-in header's own), the tests' root for the tests.
roots=(program components base base/plugin_api/include)
test_roots=(tests "${roots[@]}")

folders=() layers=() qts=() allows=()
while read -r folder layer qt allow; do
    [[ -z $folder ]] && continue
    folders+=("$folder") layers+=("$layer") qts+=("$qt") allows+=(" $allow ")
done <<<"$table"

# Sets row to the table row of the longest folder holding $1 (a path below the root), or -1.
row_of() {
    local path=$1 i best=-1 length=0
    for i in "${!folders[@]}"; do
        if [[ $path == "${folders[i]}"/* ]] && ((${#folders[i]} > length)); then
            best=$i length=${#folders[i]}
        fi
    done
    row=$best
}

# Sets header to the path below the root that include $1 of file $2 finds, or "".
resolve() {
    local include=$1 file=$2 r
    local -a search=("${roots[@]}")
    [[ $file == tests/* || $file == bench/* ]] && search=("${test_roots[@]}")
    header=
    if [[ -f $root/${file%/*}/$include ]]; then
        header=${file%/*}/$include
        return
    fi
    for r in "${search[@]}"; do
        if [[ -f $root/$r/$include ]]; then
            header=$r/$include
            return
        fi
    done
}

failures=0
fail() {
    echo "$1" >&2
    failures=$((failures + 1))
}

cd "$root"
present=()
for top in base components program programs plugins tests bench; do
    [[ -d $top ]] && present+=("$top")
done
((${#present[@]} > 0)) || { echo "check-layers: no source folders under $root" >&2; exit 2; }

include_line='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^">]+)[">]'
current=
while IFS= read -r match; do
    file=${match%%:*} match=${match#*:}
    number=${match%%:*} line=${match#*:}
    if [[ $file != "$current" ]]; then
        current=$file
        row_of "$file"
        own=$row
        if ((own < 0)); then
            fail "$file: its folder has no row in the layer table of scripts/check-layers.sh"
            continue
        fi
        own_layer=${layers[own]}
        # Files of a folder with a qt/ part keep Qt inside that part.
        qt_free=0
        [[ ${qts[own]} == none || (${qts[own]} == part && $file != */qt/*) ]] && qt_free=1
    fi
    ((own < 0)) && continue
    [[ $line =~ $include_line ]] || continue
    kind=${BASH_REMATCH[1]} include=${BASH_REMATCH[2]}
    close='"'
    [[ $kind == "<" ]] && close=">"
    where="$file:$number: #include $kind$include$close"
    if [[ $kind == '<' ]]; then
        ((qt_free)) && [[ $include == Q* ]] && fail "$where: Qt outside a qt/ part"
        continue
    fi
    [[ $include == */* ]] || continue
    if [[ $include == ../* || $include == */../* ]]; then
        fail "$where: a path up the tree hides the layer it reaches"
        continue
    fi
    resolve "$include" "$file"
    if [[ -z $header ]]; then
        fail "$where: no such header in the tree"
        continue
    fi
    row_of "$header"
    if ((row < 0)); then
        fail "$where: $header lies in a folder without a row in the layer table"
        continue
    fi
    if ((qt_free)) && [[ $header == */qt/* || ${qts[row]} == all ]]; then
        fail "$where: Qt outside a qt/ part (${folders[row]})"
        continue
    fi
    ((row == own)) && continue
    if ((layers[row] > own_layer)); then
        fail "$where: layer $own_layer (${folders[own]}) includes layer ${layers[row]} (${folders[row]})"
    elif ((layers[row] == own_layer)) && [[ ${allows[own]} != *" ${folders[row]} "* ]]; then
        fail "$where: ${folders[own]} may not include ${folders[row]} (same layer, not in its row)"
    fi
done < <(grep -r -n -E '^[[:space:]]*#[[:space:]]*include' --include='*.h' --include='*.cpp' --include='*.c' \
    "${present[@]}" | sort -t: -k1,1 -s)

if ((failures > 0)); then
    echo "check-layers: $failures include(s) break the layering (docs/architecture.md)" >&2
    exit 1
fi
echo "check-layers: every include keeps to the layers"
