#!/usr/bin/env bash
# Installs what Quillnest needs to build, test and show itself on Debian 12. Safe to run again.
set -euo pipefail

packages=(
    g++ make cmake ninja-build pkg-config
    qt6-base-dev libxkbcommon-dev qt6-translations-l10n
    libjpeg62-turbo-dev libjpeg-turbo-progs
    libhunspell-dev hunspell-ru hunspell-en-us
    libsodium-dev
    libgtest-dev libbenchmark-dev
    xvfb xauth imagemagick fonts-dejavu-core fonts-urw-base35 desktop-file-utils
    at-spi2-core python3-pyatspi dbus-x11 xdotool
    dpkg-dev file lintian appstream
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
