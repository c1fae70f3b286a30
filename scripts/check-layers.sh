#!/usr/bin/env bash
# Fails when a folder includes a project header from a layer above it.
# Each line: a folder and the folders it may include from.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
while read -r dir allowed; do
  while IFS=: read -r file line text; do
    inc=$(sed -n 's/.*#include "\([a-z0-9]*\)\/.*/\1/p' <<<"$text")
    [ -z "$inc" ] || [[ " $allowed " == *" $inc "* ]] && continue
    [ -d "$inc" ] || continue # a header of the toolkit's own vstgui/ tree
    echo "layering: $file:$line includes from $inc/: $text" >&2
    status=1
  done < <(grep -rn '#include "' "$dir" --include='*.h' --include='*.cpp' || true)
done <<'TABLE'
vst       vst
dsp       dsp
model     dsp model
toolkit   vst toolkit
presets   vst toolkit model presets
host      vst model host
lv2       dsp model lv2
TABLE
exit $status
