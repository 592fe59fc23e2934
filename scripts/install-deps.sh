#!/usr/bin/env bash
# Installs the Debian 12 packages Quirefold needs to build, run and test.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-pdf-dev qt6-image-formats-plugins libqt6svg6 libgl-dev
  libqpdf-dev libharfbuzz-dev afdko-bin liblcms2-dev libjpeg62-turbo-dev libdeflate-dev libopenjp2-7-dev
  libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui
  poppler-utils qpdf img2pdf ghostscript libgs-common libopenjp2-tools desktop-file-utils appstream
  dpkg-dev file
  fonts-dejavu-core fonts-noto-color-emoji
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
