#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, benchmark and
# fuzz, and only those that are missing. Safe to run again; never asks anything.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev qt6-tools-dev qt6-l10n-tools
  librsvg2-bin desktop-file-utils appstream dpkg-dev debootstrap
  libicu-dev libespeak-ng-dev espeak-ng-data
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth x11-utils xdotool imagemagick xdg-utils dbus fonts-dejavu-core
  python3 python3-pandas locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The sort benchmark compares with Python and sort(1) in en_US.UTF-8.
if ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo sed -i 's/^# *\(en_US\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^en_US\.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
