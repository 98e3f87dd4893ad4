#!/usr/bin/env bash
# The layering check on small trees: the clean tree passes, and each kind of break fails,
# naming the line that breaks it.
# Usage: check_layers_test.sh PATH_TO_check-layers.sh
set -euo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

put() {
    mkdir -p "$(dirname "$1")"
    printf '%s\n' "${@:2}" >"$1"
}

# One file per layer, each including what it may.
clean_tree() {
    local t=$1
    put "$t/base/platform/File.h" '#pragma once' '#include <string>'
    put "$t/base/model/Record.h" '#pragma once' '#include "platform/File.h"'
    put "$t/base/plugin_api/include/orvane/Api.h" '#pragma once'
    put "$t/base/model/Loader.cpp" '#include "model/Record.h"' '#include "orvane/Api.h"'
    put "$t/components/linkcore/Link.h" '#pragma once' '#include "model/Record.h"'
    put "$t/components/widgets/Box.h" '#pragma once' '#include <QString>'
    put "$t/components/adjust/qt/Dlg.cpp" '#include "widgets/Box.h"' '#include "linkcore/Link.h"' \
        '#include <QDialog>'
    put "$t/program/link/Transport.h" '#pragma once' '#include "linkcore/Link.h"'
    put "$t/program/commands/Handler.h" '#pragma once' '#include "link/Transport.h"'
    put "$t/programs/orvane/main.cpp" '#include "commands/Handler.h"' '#include "widgets/Box.h"' \
        '#include <QApplication>'
    put "$t/tests/support/Tmp.h" '#pragma once'
    put "$t/tests/link/Rig.h" '#pragma once' '#include "link/Transport.h"'
    put "$t/tests/link/TransportTest.cpp" '#include "link/Rig.h"' '#include "support/Tmp.h"'
}

# case | file added to the clean tree | its line | what the check must say (empty: it passes)
cases='
clean|||
upward|base/model/Up.h|#include "commands/Handler.h"|base/model/Up.h:1: #include "commands/Handler.h": layer 1 (base/model) includes layer 3 (program/commands)
component_up|components/linkcore/Up.cpp|#include "link/Transport.h"|layer 2 (components/linkcore) includes layer 3 (program/link)
sideways|components/accounts/Side.cpp|#include "linkcore/Link.h"|components/accounts may not include components/linkcore (same layer, not in its row)
program_sideways|program/link/Side.cpp|#include "commands/Handler.h"|program/link may not include program/commands
qt_outside_qt|components/adjust/Set.cpp|#include <QTimer>|components/adjust/Set.cpp:1: #include <QTimer>: Qt outside a qt/ part
qt_header_outside_qt|program/commands/Show.cpp|#include "adjust/qt/Dlg.cpp"|Qt outside a qt/ part
widgets_outside_qt|components/adjust/Box.cpp|#include "widgets/Box.h"|Qt outside a qt/ part (components/widgets)
up_the_tree|base/model/Rel.cpp|#include "../../program/link/Transport.h"|a path up the tree hides the layer it reaches
missing_header|program/link/Gone.cpp|#include "model/Gone.h"|no such header in the tree
folder_without_row|program/gateway/Server.cpp|#include "commands/Handler.h"|program/gateway/Server.cpp: its folder has no row
'

failed=0
while IFS='|' read -r name file line expected; do
    [[ -z $name ]] && continue
    tree=$work/$name
    clean_tree "$tree"
    [[ -n $file ]] && put "$tree/$file" "$line"
    status=0
    output=$("$check" "$tree" 2>&1) || status=$?
    if [[ -z $expected ]]; then
        if ((status != 0)); then
            echo "FAIL $name: the clean tree fails the check (exit $status):" "$output"
            failed=1
        fi
    elif ((status != 1)) || [[ $output != *"$expected"* ]]; then
        echo "FAIL $name: expected exit 1 with: $expected"
        echo "  got exit $status with: $output"
        failed=1
    fi
done <<<"$cases"
if ((failed)); then
    exit 1
fi
echo "every case behaves"
