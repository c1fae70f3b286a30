#!/usr/bin/env bash
# Takes the README's picture of Ardour's mixer strip with the LV2 plug-in's
# inline display: ardour7-lua builds a session (one stereo track, the plug-in
# on it with the "Flamenco" preset), then Ardour's GUI opens it under Xvfb on
# a private JACK server (dummy driver), shows the mixer, and the strip is
# cut out of a screenshot. Not part of the test suite.
#
#   scripts/screenshot-ardour.sh [BUILD_DIR [OUT.png]]
#
# Needs Ardour 7, jackd, Xvfb, xdotool, xwd and ImageMagick (all installed by
# scripts/install-deps.sh). Everything else lives in a temporary folder: a
# private HOME with Ardour's configuration, the bundle and the session.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/ardour-mixer-strip.png}
for tool in ardour ardour7-lua jackd Xvfb xdotool xwd convert; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

cmake --build "$build" --target dravo_lv2_bundle dravo_lv2ui -j2 >/dev/null

work=$(mktemp -d /tmp/dravo-ardour-shot-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/lv2" "$work/home/.config/ardour7"
cp -r "$build/lv2/VeyDravo.lv2" "$work/lv2/"
export HOME=$work/home
export LV2_PATH=$work/lv2:/usr/lib/lv2
# Ardour's first-run wizard is skipped by its marker; the engine dialog by a
# remembered, active JACK state (the server below is running already).
touch "$HOME/.config/ardour7/.a7"
cat >"$HOME/.config/ardour7/config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config/>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="JACK" driver="" device="" input-device="" output-device=""
          sample-rate="48000" buffer-size="1024" n-periods="0" input-latency="0"
          output-latency="0" lm-input="" lm-output="" active="1" use-buffered-io="0"
          midi-option="" lru="1"><MIDIDevices/></State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
XML

# A display and a JACK server of our own, so nothing else running is touched.
display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=:$display
export JACK_DEFAULT_SERVER=dravo-shot-$$
export JACK_NO_AUDIO_RESERVATION=1
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 1024 >"$work/jack.log" 2>&1 &
pids+=($!)
sleep 3

cat >"$work/make-session.lua" <<LUA
AudioEngine:set_backend("JACK", "", "")
assert(create_session("$work/session", "strip", 48000))
Session:new_audio_track(2, 2, nil, 1, "Audio", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local t = Session:route_by_name("Audio 1")
local p = ARDOUR.LuaAPI.new_plugin(Session, "urn:veyaudioworks:dravo#stereo", ARDOUR.PluginType.LV2, "")
assert(not p:isnil(), "the LV2 plug-in was not found")
t:add_processor_by_index(p, 0, nil, true)
local plugin = p:to_insert():plugin(0)
local preset = plugin:preset_by_label("Flamenco")
assert(preset, "no preset Flamenco")
assert(plugin:load_preset(preset))
Session:save_state("", false, false, false, false, false)
close_session()
LUA
timeout 120 ardour7-lua "$work/make-session.lua" >"$work/make-session.log" 2>&1 || {
  echo "ardour7-lua failed:" >&2; tail -5 "$work/make-session.log" >&2; exit 1; }

ardour -n -a "$work/session/strip.ardour" >"$work/ardour.log" 2>&1 &
pids+=($!)
# The editor window, then (Alt+M) the mixer in it, the whole screen large.
window=
for _ in $(seq 120); do
  window=$(xdotool search --onlyvisible --name '^strip - Ardour' 2>/dev/null | head -1) || true
  [ -n "$window" ] && break
  sleep 1
done
[ -n "$window" ] || { echo "Ardour's window did not appear" >&2; tail -5 "$work/ardour.log" >&2; exit 1; }
sleep 5
xdotool windowsize "$window" 1600 1000 windowmove "$window" 0 0
xdotool mousemove 900 700 # no tooltip over the strip
xdotool windowfocus --sync "$window" key alt+m
sleep 6
xwd -root -silent >"$work/screen.xwd"
mkdir -p "$(dirname "$out")"
# The track's strip: its name button down to its fader's buttons.
convert "xwd:$work/screen.xwd" -crop 116x880+324+100 +repage "$out"
echo "wrote $out"
