#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
set -euo pipefail
packages=(
    build-essential cmake pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libcli11-dev libssl-dev libdeflate-dev libboost-dev curl
    libmosquitto-dev mosquitto openssl
    scdoc dpkg-dev file lintian clang-format
    # The web remote's browser tests: headless Chromium driven through WebDriver.
    chromium chromium-driver python3-selenium
)
# npm installs the accessibility checker the browser tests inject (tests/web/package-lock.json);
# a machine whose Node.js brings its own npm keeps it.
if ! command -v npm >/dev/null; then
    packages+=(npm)
fi
if [[ "${ORVANE_WITH_GUI:-1}" == 1 ]]; then
    packages+=(qt6-base-dev qt6-svg-dev libgl-dev desktop-file-utils appstream)
fi
# Only scripts/check-tidy.sh asks for this.
if [[ "${ORVANE_WITH_TIDY:-0}" == 1 ]]; then
    packages+=(clang-tidy)
fi
# Only scripts/fuzz.sh asks for these: clang with libFuzzer's runtime.
if [[ "${ORVANE_WITH_FUZZ:-0}" == 1 ]]; then
    packages+=(clang libclang-rt-14-dev)
fi
# Only scripts/screenshots.sh asks for these: a virtual display, the tools that shoot it and a
# font with Chinese characters for the dialogs under GETSCH.
if [[ "${ORVANE_WITH_SCREENSHOTS:-0}" == 1 ]]; then
    packages+=(xvfb imagemagick xdotool x11-utils fonts-wqy-microhei)
fi
install_npm_modules() {
    local web
    web="$(cd "$(dirname "$0")/.." && pwd)/tests/web"
    if [[ ! -f $web/node_modules/axe-core/axe.min.js ]]; then
        npm ci --prefix "$web" --no-audit --no-fund --ignore-scripts
    fi
}
trap install_npm_modules EXIT
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q || true
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
