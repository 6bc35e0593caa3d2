#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

PACKAGES=(
  g++ clang cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6dbus6 libqt6printsupport6
  libavcodec-dev libavutil-dev libswscale-dev ffmpeg
  libasound2-dev libasound2-plugins alsa-utils
  libjpeg62-turbo-dev libtiff-dev zlib1g-dev
  fonts-liberation fontconfig
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  poppler-utils
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
