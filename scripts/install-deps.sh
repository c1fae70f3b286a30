#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Does nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential g++ cmake pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libpango1.0-dev libx11-dev libxtst-dev libsndfile1-dev libkissfft-dev
  clang libclang-rt-14-dev
  xvfb x11-utils xauth x11-apps xdotool imagemagick
  lsp-plugins-vst
  lv2-dev liblilv-dev lilv-utils sordi jalv jackd2
  dpf-source qtractor ardour
  clang-format valgrind poppler-utils
  fonts-dejavu-core fonts-dejavu-extra
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then SUDO=sudo; else
    echo "install-deps: need root to install: ${missing[*]}" >&2; exit 1
  fi
else SUDO=""; fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
