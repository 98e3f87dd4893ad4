#!/usr/bin/env bash
# Builds the Debian package of the build tree, checks what it installs and where, and has
# lintian check it: any error fails.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
out=$build/package-test
rm -rf "$out"
mkdir -p "$out"
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || {
    cat "$out/cpack.log"
    fail "cpack"
}
debs=("$out"/orvane_*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || fail "no single orvane_<version>_<arch>.deb in $out"
deb=${debs[0]}
echo "package: $(basename "$deb")"

# Paths with their link targets, for symbolic links.
dpkg-deb -c "$deb" | awk '{ path = $6; sub(/^\./, "", path); if ($7 == "->") path = path " -> " $8; print path }' |
    grep -v '/$' | sort >"$out/files"
expected=(
    "/usr/bin/orvane -> ../lib/orvane/orvane-launcher"
    "/usr/bin/orvanectl -> ../lib/orvane/orvane-launcher"
    "/usr/bin/pjsim -> ../lib/orvane/pjsim"
    /usr/lib/orvane/orvane
    /usr/lib/orvane/orvane-launcher
    /usr/lib/orvane/orvanectl
    /usr/lib/orvane/pjsim
    /usr/lib/orvane/OrvaneUsrEdit
    /usr/lib/orvane/OrvaneModel.txt
    /usr/lib/orvane/plugin/Adjust_Demo.so
    /usr/lib/orvane/txtdef.cat
    /usr/lib/orvane/txtzhs.cat
    /usr/share/applications/orvane.desktop
    /usr/share/metainfo/org.orvane.Orvane.metainfo.xml
    /usr/share/icons/hicolor/scalable/apps/orvane.svg
    /usr/share/bash-completion/completions/orvanectl
    /usr/share/man/man1/orvane.1.gz
    /usr/share/man/man1/orvanectl.1.gz
    /usr/share/man/man1/pjsim.1.gz
    /usr/share/doc/orvane/copyright
    /usr/share/doc/orvane/changelog.gz
)
# The service, with its units, manual page and guide, in a build that has it.
if [[ -x $build/bin/orvaned ]]; then
    expected+=(
        "/usr/bin/orvaned -> ../lib/orvane/orvaned"
        /usr/lib/orvane/orvaned
        /usr/lib/systemd/user/orvaned.service
        /lib/systemd/system/orvaned.service
        /usr/share/man/man1/orvaned.1.gz
        /usr/share/doc/orvane/service.md
    )
fi
for file in "${expected[@]}"; do
    grep -qxF "$file" "$out/files" || fail "$file is not in the package; it holds:$(printf '\n  %s' "$(cat "$out/files")")"
done
extra=$(printf '%s\n' "${expected[@]}" | sort | comm -13 - "$out/files")
[[ -z $extra ]] || fail "unexpected files in the package:$(printf '\n  %s' "$extra")"

depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* && $depends == *libc6* ]] || fail "Depends not computed: $depends"

# lintian exits 1 on an error it reports, and otherwise non-zero only when it could not check.
status=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$out/lintian.log" 2>&1 || status=$?
cat "$out/lintian.log"
errors=$(grep -c '^E: ' "$out/lintian.log" || true)
warnings=$(grep -c '^W: ' "$out/lintian.log" || true)
((status == 0 && errors == 0)) || fail "lintian: exit status $status, $errors errors"
echo "$(wc -l <"$out/files") files; lintian: $errors errors, $warnings warnings"
