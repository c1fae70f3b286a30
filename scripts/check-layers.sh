#!/usr/bin/env bash
# Fails when a file includes a project header its folder may not include, or
# when a folder with sources is missing from the table. Each line: a folder
# and what it may include, as folders ("model") or single headers
# ("vst/vst2abi.h"); "*" allows everything (tests, benchmarks).
#
# The rules: the engine and the host-neutral core (dsp, model) stand alone;
# the toolkit and the platform layer know no plug-in and no format; the
# editor (gui, presets) knows the core, the toolkit and the platform layer but
# no format; each format (vst, vst3, lv2, lv2ui, clap) may
# include the core, the editor, the toolkit and the platform layer, never
# another format; our host tools know the VST 2.x ABI header only.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
declare -A rules
while read -r dir allowed; do
  [ -n "$dir" ] && rules[$dir]="$allowed"
done <<'TABLE'
dsp       dsp
model     dsp model
toolkit   toolkit
platform  platform
presets   model toolkit platform presets
gui       model toolkit platform presets gui resources/Manual.h
vst       dsp model toolkit platform presets gui vst
vst3      dsp model toolkit platform presets gui vst3
lv2       dsp model lv2
lv2ui     model toolkit platform presets gui lv2 lv2ui
clap      dsp model toolkit platform presets gui clap
host      host vst/vst2abi.h model/PresetFormat.h model/Parameters.h model/ValueParse.h model/Identity.h
resources resources dsp model gui/EditorLayout.h gui/KnobFrame.h presets/PresetBarLayout.h lv2/Ports.h lv2/Uris.h lv2/InlineDisplay.h
tests     *
bench     *
TABLE

# Every folder that holds sources has its row.
for dir in $(find . -mindepth 2 \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) \
  -not -path './build*' -not -path './.git/*' | cut -d/ -f2 | sort -u); do
  [ "$dir" = scripts ] && continue # stand-alone test tools, no project headers
  if [ -z "${rules[$dir]+x}" ]; then
    echo "layering: folder $dir/ has no row in the table" >&2
    status=1
  fi
done

for dir in "${!rules[@]}"; do
  allowed=" ${rules[$dir]} "
  [ "$allowed" = " * " ] && continue
  while IFS=: read -r file line text; do
    header=$(sed -n 's/.*#include "\([^"]*\)".*/\1/p' <<<"$text")
    inc=${header%%/*}
    [ "$inc" = "$header" ] && continue       # a header beside the file
    [[ "$inc" == .* ]] && continue           # a relative path inside the folder
    [ -d "$inc" ] || continue                # a header of the toolkit's own vstgui/ tree
    [[ "$allowed" == *" $inc "* || "$allowed" == *" $header "* ]] && continue
    echo "layering: $file:$line includes $header, which $dir/ may not include" >&2
    status=1
  done < <(grep -rn '#include "' "$dir" --include='*.h' --include='*.cpp' --include='*.inc' || true)
done
exit $status
