#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, when they are missing.
# The demo and the end-to-end scripts drive Lumarin under Xvfb with xdotool, some under openbox
# (a window manager that places, stacks and focuses windows; xprop reads what it did), and take
# screenshots with ImageMagick's import; the colour emoji font stands in for the system's emoji;
# Qt's extra image plugins let kerlo-local write the WebP picture of its demo tree; Qt's PDF
# module draws PDF pages in the preview window; the SVG plugins draw the window icon.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qtbase5-dev libqt5sql5-sqlite qt5-image-formats-plugins qtpdf5-dev libqt5svg5
    libcpp-httplib-dev libssl-dev
    libsecret-1-dev libglib2.0-dev
    gnome-keyring dbus dbus-x11 xvfb xauth
    libcanberra-dev libxcb1-dev
    xdotool imagemagick fonts-noto-color-emoji openbox x11-utils
    openssl curl
    desktop-file-utils appstream dpkg-dev adwaita-icon-theme hicolor-icon-theme
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
