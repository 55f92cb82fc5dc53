#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
# The window test drives the real window under a virtual X server: xvfb-run, xdotool, openbox
# (a window manager that honours size hints) and ImageMagick's import to take the screenshot.
# The install test checks the installed desktop entry and metainfo with desktop-file-utils and
# appstream.
# Bookworm's libheif1 carries its codecs itself (libde265 and x265 for HEIC, dav1d and aom for
# AVIF): there are no plugin packages to add.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libcairo2-dev libpango1.0-dev libfontconfig-dev libsdl2-dev libx11-dev libxext-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev libexiv2-dev libheif-dev libwebp-dev libtiff-dev libsqlite3-dev liblcms2-dev libssl-dev
  nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-adf-gillius fonts-dejavu-core fonts-font-awesome
  libimage-exiftool-perl
  xvfb xauth xdotool x11-utils imagemagick openbox
  desktop-file-utils appstream
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing and installing them needs root. Run:" >&2
    echo "  sudo $0" >&2
    echo "or install them yourself: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
