#!/bin/bash
# Manual check, not part of the test suite: loads the built plug-in into Ardour 7
# under a virtual X server, opens its editor from the mixer strip, clicks a
# control and saves a screenshot. Ardour is not installed by the project's
# set-up; on Debian: apt-get install ardour xvfb libcairo2-dev libx11-dev libxtst-dev
#
#   scripts/try-in-ardour.sh [PLUGIN.so] [OUT.png]
#
# Everything lives in a throw-away folder (private HOME, Ardour config, plug-in
# folder, session) so the user's own Ardour set-up is not touched. The click
# positions fit Ardour 7.3's default layout on a 1600x1000 screen.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
so=$(realpath "${1:-$here/../build/vst/VeyDravo.so}")
out=$(realpath -m "${2:-ardour-editor.png}")
work=${WORK:-/tmp/dravo-ardour}
disp=${DISP:-:57}
for tool in ardour ardour7-lua Xvfb cc pkg-config; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work/home/.config/ardour7" "$work/lxvst"
cp "$so" "$work/lxvst/"
# Ardour takes its scan cache as stale unless the cache file is newer than the
# plug-in; the cache's time is whole seconds, so push the copy's back a minute.
touch -d "@$(($(date +%s) - 60))" "$work/lxvst/$(basename "$so")"
export HOME=$work/home DISPLAY=$disp

# Ardour configuration: Linux VST on, looking in our folder only, and the
# dummy audio backend allowed and started without asking; the empty .a7 file
# marks the first-run wizard as done.
cat >"$HOME/.config/ardour7/config" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="use-lxvst" value="1"/>
    <Option name="plugin-path-lxvst" value="$work/lxvst"/>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
  </Config>
</Ardour>
XML
touch "$HOME/.config/ardour7/.a7"

# Scan the plug-in into Ardour's cache, then build a session with one stereo
# track that carries it (dummy audio backend, no sound hardware needed).
LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst-scanner -f "$work/lxvst/$(basename "$so")"
cat >"$work/mk.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session("$work/sess", "dravo", 44100))
Session:new_audio_track(2, 2, nil, 1, "Audio", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local p = ARDOUR.LuaAPI.new_plugin(Session, "Vey Dravo", ARDOUR.PluginType.LXVST, "")
assert(not p:isnil(), "Vey Dravo not found by Ardour's scan")
Session:route_by_name("Audio 1"):add_processor_by_index(p, 0, nil, true)
Session:save_state("", false, false, false, false, false)
close_session()
LUA
ardour7-lua "$work/mk.lua"

# shellcheck disable=SC2046 # the flags are meant to split into words
cc -O2 -o "$work/xclick" "$here/xclick.c" $(pkg-config --cflags --libs cairo x11 xtst)
x() { "$work/xclick" "$@"; }

Xvfb "$disp" -screen 0 1600x1000x24 >"$work/xvfb.log" 2>&1 &
xvfb=$!
ardour=
trap 'kill $ardour $xvfb 2>/dev/null || true' EXIT
sleep 2
ardour "$work/sess/dravo.ardour" >"$work/ardour.log" 2>&1 &
ardour=$!

# Ardour first warns that the audio device changed and shows its audio set-up
# dialog: confirm, pick "None (Dummy)" and start (there is no window manager,
# so dialogs sit centred and keys have no focus; clicks do the work).
sleep 15
if ! x find "dravo" >/dev/null; then
  x click 971 539 && sleep 3     # OK on the warning
  x click 807 358 && sleep 1     # Audio System combo
  x click 789 402 && sleep 1     # None (Dummy)
  x click 1022 660               # Start
fi
for _ in $(seq 60); do x find "dravo" >/dev/null && break; sleep 1; done
sleep 5

# Show the mixer (Alt+M) and double-click the plug-in, the first entry in the
# track's processor box; Ardour opens the editor in its plug-in window.
x key m alt
sleep 3
x click 328 207 2
geo=
for _ in $(seq 20); do geo=$(x find "Vey Dravo") && break; sleep 1; done
[ -n "$geo" ] || { echo "the editor did not open, see $work/ardour.log" >&2; exit 1; }
sleep 2
read -r wx wy ww wh <<<"$geo"
echo "editor window: ${ww}x${wh}+${wx}+${wy}"

# Click two switches in the editor (LOW CUT and PHASE), then take the editor
# window with Ardour's menu bar above it and a strip of the mixer below.
x click $((wx + 137)) $((wy + 169))
x click $((wx + 845)) $((wy + 169))
sleep 1
x shot "$out" 0 0 $((wx + ww + 40)) $((wy + wh + 60))
echo "screenshot: $out"
