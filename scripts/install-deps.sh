#!/usr/bin/env bash
# Installs the Debian packages Korvalis needs to build, test and run, if any are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config clang
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcurl4-openssl-dev libjpeg-dev libpng-dev libtiff-dev zlib1g-dev libfontconfig-dev
  libgtest-dev libgmock-dev googletest
  libcpp-httplib-dev libssl-dev openssl curl
  qpdf poppler-utils img2pdf imagemagick libjpeg-turbo-progs bc time
  fonts-dejavu-core fonts-dejavu-extra gsfonts locales xauth xvfb qt6-translations-l10n
  desktop-file-utils appstream man-db dpkg-dev file shared-mime-info libxml2-utils x11-utils xdotool
  cups libcups2-dev
  openbox weston qt6-wayland mmdebstrap
  at-spi2-core python3-pyatspi dbus dbus-x11
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# The PDF writer's tests also run under a comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
