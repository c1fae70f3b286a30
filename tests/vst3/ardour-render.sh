#!/bin/bash
# Renders the same session through Ardour 7's headless tools twice, once with
# the VST 2.x plug-in and once with the VST 3 plug-in: ardour7-lua builds the
# session (a test signal, then the plug-in with three parameters set) and
# saves it; ardour7-export loads it in a new process and renders it. Prints
# "same" when both renders hold the same samples.
#
#   ardour-render.sh VST2.so BUNDLE.vst3 WORKDIR
#
# Exit 77 when a tool is missing. Everything lives in WORKDIR (a private HOME
# with Ardour's configuration, the plug-in folders and the sessions).
set -euo pipefail

so=$(realpath "$1")
bundle=$(realpath "$2")
work=$3
for tool in ardour7-lua ardour7-export /usr/lib/ardour7/ardour-vst-scanner \
  /usr/lib/ardour7/ardour-vst3-scanner; do
  command -v "$tool" >/dev/null || { echo "missing: $tool"; exit 77; }
done

rm -rf "$work"
mkdir -p "$work/home/.config/ardour7/scripts" "$work/lxvst" "$work/vst3"
cp "$so" "$work/lxvst/VeyDravo.so"
cp -r "$bundle" "$work/vst3/"
# Ardour takes its scan cache as stale unless the cache file is newer than the
# plug-in; the cache's time is whole seconds, so push the copies back a minute.
find "$work/lxvst" "$work/vst3" -exec touch -d "@$(($(date +%s) - 60))" {} +
export HOME=$work/home
cat >"$HOME/.config/ardour7/config" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="use-lxvst" value="1"/>
    <Option name="plugin-path-lxvst" value="$work/lxvst"/>
    <Option name="use-vst3" value="1"/>
    <Option name="plugin-path-vst3" value="$work/vst3"/>
  </Config>
</Ardour>
XML

# The input: a function of the transport position only, silent while stopped,
# so both renders see the same samples however long the engine ran before.
cat >"$HOME/.config/ardour7/scripts/dravo_signal.lua" <<'LUA'
ardour {
	["type"]    = "dsp",
	name        = "Dravo Test Signal",
	category    = "Utility",
	license     = "MIT",
	author      = "Vey Dravo tests",
	description = [[Noise and a sine that depend on the transport position only.]]
}
function dsp_ioconfig () return { { audio_in = -1, audio_out = -1 } } end
function dsp_run (ins, outs, n_samples)
	local rolling = Session:transport_rolling ()
	local pos = Session:transport_sample ()
	for c = 1, #outs do
		local a = outs[c]:array ()
		for i = 1, n_samples do
			if rolling then
				local n = pos + i + 7919 * c
				local h = (n * 2654435761) % 4294967296
				a[i] = 0.6 * (h / 4294967296 - 0.5) + 0.3 * math.sin (n * 0.01)
			else
				a[i] = 0
			end
		end
	end
end
LUA

export LD_LIBRARY_PATH=/usr/lib/ardour7
scan=$(/usr/lib/ardour7/ardour-vst-scanner -f "$work/lxvst/VeyDravo.so" 2>&1;
  /usr/lib/ardour7/ardour-vst3-scanner -f "$work/vst3/VeyDravo.vst3" 2>&1)
unset LD_LIBRARY_PATH

# One session per format. The parameters: "Lgain", "Mgain" of the first mid
# and "OUTPUT". Ardour sets a VST 2.x parameter by its normalised value and a
# VST 3 parameter by its plain value (dB here); the values are exact steps.
session() { # name type lgain mid1gain output (indices as Ardour numbers them)
  local name=$1 type=$2
  cat >"$work/mk-$name.lua" <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session("$work/session-$name", "$name", 48000))
Session:new_audio_track(2, 2, nil, 1, "Audio", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local t = Session:route_by_name("Audio 1")
local g = ARDOUR.LuaAPI.new_luaproc(Session, "Dravo Test Signal")
assert(not g:isnil(), "no test signal")
t:add_processor_by_index(g, 0, nil, true)
local p = ARDOUR.LuaAPI.new_plugin(Session, "Vey Dravo", ARDOUR.PluginType.$type, "")
assert(not p:isnil(), "Vey Dravo ($type) not found by Ardour's scan")
t:add_processor_by_index(p, 1, nil, true)
ARDOUR.LuaAPI.set_processor_param(p, $3, $4)
ARDOUR.LuaAPI.set_processor_param(p, $5, $6)
ARDOUR.LuaAPI.set_processor_param(p, $7, $8)
Session:locations():add_range(Temporal.timepos_t(0), Temporal.timepos_t(96000))
Session:save_state("", false, false, false, false, false)
close_session()
LUA
  timeout 120 ardour7-lua "$work/mk-$name.lua" >"$work/mk-$name.log" 2>&1 || {
    echo "ardour7-lua failed for $name:"; tail -5 "$work/mk-$name.log"; echo "$scan"; exit 1; }
  # The range becomes the session range (the span ardour7-export renders).
  sed -i 's/name="range1" \(.*\)flags="IsRangeMarker"/name="session" \1flags="IsSessionRange"/' \
    "$work/session-$name/$name.ardour"
  # ardour7-export 7.3 now and then dies or stalls while it starts to export,
  # with either plug-in (under valgrind it runs clean): a failed attempt is
  # tried again, and only the samples of a finished render count.
  local attempt
  for attempt in 1 2 3; do
    # (in a subshell, so that the shell's note of a crash goes to the log)
    (timeout 120 ardour7-export -b float -o "$work/$name.wav" "$work/session-$name" "$name") \
      >"$work/export-$name-$attempt.log" 2>&1 && return
  done
  echo "ardour7-export failed for $name:"; tail -5 "$work/export-$name-3.log"; exit 1
}
# VST 2.x indices 15, 19, 6; the VST 3 list leaves the placeholders out: 12, 16, 3.
session vst2 LXVST 15 0.8125 19 0.3125 6 0.375
session vst3 VST3 12 6.25 16 6.25 3 -5

# The samples after the 88-byte headers (which carry nothing but the format).
if cmp -s <(tail -c +89 "$work/vst2.wav") <(tail -c +89 "$work/vst3.wav"); then
  echo same
else
  echo "the renders differ"
fi
