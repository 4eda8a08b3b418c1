#!/bin/sh
# Installs what the builds and tests need on a Debian 12 machine; installs nothing that is
# already there.
set -eu
packages="cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
  binutils-mingw-w64-i686 wine wine64 locales xvfb xdotool x11-apps imagemagick
  fonts-ipafont-gothic python3 liblnk-utils icoutils
  zlib1g-dev libz-mingw-w64-dev libbenchmark-dev libisal-dev hyperfine
  clang libclang-rt-14-dev llvm nlohmann-json3-dev"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
