#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing.
set -euo pipefail

packages=(
    cmake make g++
    qt6-base-dev libmp3lame-dev libchm-dev libtag1-dev pkgconf
    libgtest-dev libgmock-dev
    xvfb xauth x11-utils xdotool imagemagick fonts-liberation
    qt6-wayland weston
    python3 python3-pyatspi at-spi2-core dbus-daemon
    mpg123 lame xdg-utils ffmpeg python3-mutagen
    exfatprogs exfat-fuse fuse3
    fp-utils desktop-file-utils appstream man-db
    dpkg-dev lintian
    clang libclang-rt-14-dev clang-tidy-14 clazy
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "error: these packages are missing and sudo is not available: ${missing[*]}" >&2
        exit 1
    fi
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
