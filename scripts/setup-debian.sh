#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, and only what is
# missing. Safe to run again.
set -euo pipefail
. "$(dirname "$0")/common.sh"
install_missing \
  cmake ninja-build g++ make python3 python3-jsonschema googletest nlohmann-json3-dev \
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 mingw-w64-tools \
  wine wine64 wine32:i386 \
  xvfb xauth x11-utils imagemagick \
  clang lld libclang-rt-14-dev \
  qemu-system-x86 sg3-utils sdparm libcdio-utils dvd+rw-tools wodim lintian file
