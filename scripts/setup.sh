#!/usr/bin/env bash
# Installs every package that the build, the tests, the benchmarks and the demo need.
# Safe to run again: only missing packages are installed.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6svg6 libxkbcommon-dev libgl-dev
  qt6-translations-l10n
  libudev-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-liberation2
  poppler-utils xvfb xauth locales
  openbox xdotool imagemagick
  clang-14 libclang-rt-14-dev clang-format-14 git
  qemu-system-x86 linux-image-amd64 busybox-static udev cpio
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Russian locale, so that numbers are shown with its decimal separator (and tested so).
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
