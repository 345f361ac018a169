#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  bindfs fuse3   # two views of one folder: a share whose locks do nothing, for the records tests
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev qt6-translations-l10n qt6-tools-dev-tools
  qt6-charts-dev libqt6opengl6-dev   # the bar charts of the teacher's results (Qt Charts needs Qt OpenGL's CMake files)
  libqt6svg6
  libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core
  xvfb xauth x11-apps xdotool imagemagick sox librsvg2-bin bc
  at-spi2-core python3-pyatspi gir1.2-atspi-2.0 dbus   # the screen-reader test's accessibility bus
  openbox x11-utils libxcb1-dev                       # the window tests under a real window manager
  orca speech-dispatcher python3-speechd              # the test that listens to the quiz through Orca
  clang libclang-rt-14-dev
  desktop-file-utils appstream dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
