#!/usr/bin/env bash
# Takes docs/text_import_csv.png, docs/batch_window_csv.png and docs/batch_done_csv.png: the real program under
# Xvfb on a 1366 x 768 screen at 120 dpi, driven with the keyboard through
# xdotool as a user would. A Belgian export (semicolons, decimal commas, CRLF,
# Windows-1252, a blank line, unnamed columns) is opened as relevés.csv,
# converted from Lambert 72 to WGS 84 into an Excel-ready .csv, then into an
# .xlsx. Needs Xvfb, openbox, xdotool, imagemagick.
# usage: docs/shoot_batch.sh [BUILD_DIR] [DISPLAY_NUMBER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
display=:${2:-94}
docs=$PWD/docs
cmake --build "$build" --target travena param_db travena_gdal > /dev/null
work=$(mktemp -d)
cp "$build/bin/travena" "$build/bin/SystGéo.mdb" "$build/bin/libtravena_gdal.so" "$work/"  # the shipped database stays untouched
printf 'Nom;X;Y;;\r\nRh\xf4ne;150000,5;170000,25;;\r\n\r\nLi\xe8ge;235000;148000;;\r\nBastogne;245123,4;63456,7;;\r\n' \
    > "$work/relevés.csv"
Xvfb "$display" -screen 0 1366x768x24 -dpi 120 > /dev/null 2>&1 &
xvfb=$!
app= wm=
trap 'kill $app $wm $xvfb 2> /dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
sleep 1
export QT_FONT_DPI=120  # as a 125 % desktop sets it
openbox > /dev/null 2>&1 &
wm=$!
sleep 1
cd "$work"
./travena &
app=$!
key() { xdotool key --delay 100 "$@"; sleep 0.4; }
typed() { xdotool type --delay 40 "$1"; sleep 0.4; }
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.6; }
# pick X Y N: the drop-down list at X,Y (screen pixels), its item N (0 the placeholder)
pick() { click "$1" "$2"; key Home; for _ in $(seq "$3"); do xdotool key Down; done; key Return; }
main=$(xdotool search --sync --limit 1 --name "Transformation de coord")
sleep 1
xdotool windowactivate --sync "$main"
key alt+c h                          # Calculs > Helmert: the batch window starts from it
key alt+f o                          # Fichier > Ouvrir ...
batch=$(xdotool search --sync --limit 1 --name "Ouvrir une table")
sleep 1.5
# Positions on this screen: the window opens at the same place every time.
pick 750 70 3                        # entrée : BE LB72
pick 750 105 13                      # sortie 1 : W Geographic WGS84
click 343 240                        # the folder button
typed "$work/relevés.csv"
key Return
import_window=$(xdotool search --sync --limit 1 --name "^Fichier texte$")
sleep 1
import -window "$import_window" "$docs/text_import_csv.png"
key Return                           # Appliquer, the proposed options
sleep 1.5
click 300 330                        # the table
click 560 340; click 900 327         # X > X
click 560 356; click 900 360         # Y > Y
import -window root "$docs/batch_window_csv.png"
click 343 697                        # the disk button, below the « > Z » row
typed "$work/relevés_wgs84.csv"
key Return
sleep 0.5
xdotool mousemove 1158 700 click --repeat 5 1  # scroll to the bottom
click 560 77                         # the field X, scrolled up: Enter there converts, never maps
key Return
sleep 2
import -window root "$docs/batch_done_csv.png"
key Return
click 343 435                        # the disk button again
typed "$work/relevés_wgs84.xlsx"
key Return
sleep 0.5
click 256 699                        # Convertir
sleep 3
key Return
head -2 "$work/relevés_wgs84.csv"
ogrinfo -ro -q -al "$work/relevés_wgs84.xlsx" | grep -m 2 "W__L"
echo "$docs/text_import_csv.png $docs/batch_window_csv.png $docs/batch_done_csv.png"
