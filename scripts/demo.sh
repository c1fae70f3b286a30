#!/usr/bin/env bash
# The demo: installs what is missing, builds the plug-in and the tools, makes a
# short clip (synthesised in code, no recordings), renders it through a factory
# preset and plots that preset's response. Everything lands in out/.
#   scripts/demo.sh [PRESET]      (default "Radio")
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-Radio}
build=${BUILD_DIR:-build}

scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} >/dev/null
cmake --build "$build" -j"$(nproc)" --target dravo_vst dravo-render dravo-info \
  dravo-democlip

mkdir -p out
slug=$(printf '%s' "$preset" | tr 'A-Z ' 'a-z-' | tr -cd 'a-z0-9-')
"$build/host/dravo-democlip" out/demo-clip.wav 8
"$build/host/dravo-render" out/demo-clip.wav "out/demo-$slug.wav" --preset "$preset" \
  --plot "out/$slug.png"
echo "demo: out/demo-clip.wav (the clip), out/demo-$slug.wav (through \"$preset\"),"
echo "      out/$slug.png (its response; the values in out/$slug.csv)"
