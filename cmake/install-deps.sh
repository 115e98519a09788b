#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need, and
# only those that are missing, so a second run costs a dpkg query. Runs as root
# (apt-get); prints what it installs.
set -euo pipefail

packages=(
  cmake make g++ pkg-config zlib1g-dev libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine32:i386 wine64 fonts-wine fonts-dejavu-core xvfb x11-utils xdotool imagemagick
  libbotan-2-dev libssl-dev libsqlite3-dev
  zip unzip p7zip-full libarchive-tools
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-deps: adding the i386 architecture (for 32-bit Wine)"
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ] && [ -z "${need_update:-}" ]; then
  exit 0
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages and not root; install them with apt-get" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
