#!/usr/bin/env bash
# Takes docs/param_editor.png: the real program under Xvfb, driven with
# xdotool as a user would (menu "Projections" > "Modifier ...", then the
# projection "BE LB08" chosen in the editor). Needs Xvfb, xdotool, imagemagick.
# usage: docs/shoot_editor.sh [BUILD_DIR] [DISPLAY_NUMBER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
display=:${2:-94}
cmake --build "$build" --target travena param_db
work=$(mktemp -d)
cp "$build/bin/travena" "$build/bin/SystGéo.mdb" "$work/"  # the shipped database stays untouched
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
sleep 1
"$work/travena" &
app=$!
xdotool search --sync --name "^Travena .* - Transformation" >/dev/null
sleep 1
xdotool mousemove 143 8 click 1        # the "Projections" menu
sleep 0.5
xdotool key Down Return                # "Modifier ..."
editor=$(xdotool search --sync --name "Modifier les param")
sleep 1
eval "$(xdotool getwindowgeometry --shell "$editor")"
# The projection's "Nom" list, at the right of the third section.
xdotool mousemove $((X + WIDTH * 945 / 1000)) $((Y + 50)) click 1
sleep 0.5
xdotool type --delay 80 "BE LB0"
xdotool key Return
sleep 1
import -window "$editor" docs/param_editor.png
echo docs/param_editor.png
