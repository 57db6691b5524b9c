#!/usr/bin/env bash
# Installs every Debian 12 package that building, running, testing and benchmarking Velmora needs.
# Run as root.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
  build-essential cmake ninja-build pkg-config libgtest-dev libbenchmark-dev \
  libgtk-3-dev libx11-dev libxrandr-dev libpng-dev zlib1g-dev libfreetype-dev libfontconfig-dev \
  libopenal-dev fonts-ipafont-gothic \
  xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick openbox sox \
  libpixman-1-dev clang libclang-rt-14-dev qemu-user binutils
