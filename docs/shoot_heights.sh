#!/usr/bin/env bash
# Takes docs/main_heights.png: the real program under Xvfb on a 1366 x 768
# screen, driven through xdotool as a user would. A GNSS point is typed into
# the WGS 84 row as a receiver shows it (4 21 6.12 E, 50 50 48 N), its
# ellipsoidal height 100 into « h ellipsoïdale (ETRS89) », then the row's
# Calc fills the table and « H Ostende (DNG, hBG18) ».
# cs2cs EPSG:4937 EPSG:5710 (PROJ_DATA on data/) gives 57.146193 for it.
# Needs Xvfb, openbox, xdotool, imagemagick.
# usage: docs/shoot_heights.sh [BUILD_DIR] [DISPLAY_NUMBER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
display=:${2:-95}
docs=$PWD/docs
cmake --build "$build" --target travena param_db grids > /dev/null
work=$(mktemp -d)
cp "$build/bin/travena" "$build/bin/SystGéo.mdb" "$build/bin/"*.tif "$work/"
Xvfb "$display" -screen 0 1366x768x24 > /dev/null 2>&1 &
xvfb=$!
app= wm=
trap 'kill $app $wm $xvfb 2> /dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
sleep 1
openbox > /dev/null 2>&1 &
wm=$!
sleep 1
cd "$work"
./travena &
app=$!
main=$(xdotool search --sync --limit 1 --name "Transformation de coord")
sleep 1
xdotool windowactivate --sync "$main"
typed() { xdotool type --delay 40 "$1"; sleep 0.4; }
# click X Y: window pixels (96 dpi, the default font)
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.6; }
click 227 87                 # the WGS 84 row's DMS longitude
typed "4 21 6.12 E"; xdotool key Return
typed "50 50 48 N"; xdotool key Return
click 375 458                # « h ellipsoïdale (ETRS89) »
typed "100"
click 863 87                 # the WGS 84 row's Calc
sleep 1
import -window "$main" "$docs/main_heights.png"
echo "$docs/main_heights.png"
