#!/usr/bin/env bash
# GDAL is loaded only to read OpenDocument workbooks and GeoPackages (an
# .xlsx workbook is read and written by the program itself, a GeoPackage
# written with SQLite): the commands that read neither start without it, a
# missing module refuses those formats by name and no other, and the installed
# layout (bin/ beside lib/travena/) finds it.
# usage: gdal_module_test.sh path/to/travena-cli path/to/tests/data
set -u
cli=$1
data=$2
bin=$(dirname "$cli")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

# opened COMMAND...: the shared objects the dynamic loader opens for it, one a line.
opened() { LD_DEBUG=files "$@" 2>&1 > /dev/null < "$work/pt.txt" | grep -o 'file=[^ ]*' | sort -u; }

echo "150000 170000" > "$work/pt.txt"
xlsx=(batch --in "$data/coords.xlsx" --table 'Points$' --x x_lb72 --y y_lb72 --from "BE LB72" --to "WGS84 UTM")
ods=(batch --in "$data/coords.ods" --table 'Points$' --x x_lb72 --y y_lb72 --from "BE LB72" --to "WGS84 UTM")
for name in convert table systems xlsx gpkg; do
    case $name in
    convert) args=(convert --from "BE LB72" --to "WGS84 UTM") ;;
    table) args=(table --row 8 150000 170000) ;;
    systems) args=(systems) ;;
    xlsx) args=("${xlsx[@]}" --out "$work/plain.txt") ;;
    gpkg) args=("${xlsx[@]}" --out "$work/written.gpkg") ;;
    esac
    if opened "$cli" "${args[@]}" | grep -q gdal; then fail "$name loads GDAL"; fi
done
if ldd "$bin/travena" | grep -q gdal; then fail "the main window links GDAL"; fi
# The same look sees it where it belongs.
opened "$cli" "${ods[@]}" --out "$work/seen.txt" | grep -q 'libtravena_gdal\.so' || fail "an .ods run does not load the module"

# A copy of the program without the module beside it, nor in ../lib/travena.
mkdir -p "$work/usr/bin"
cp "$cli" "$bin/SystGéo.mdb" "$work/usr/bin/"
alone="$work/usr/bin/$(basename "$cli")"
"$alone" "${ods[@]}" --out "$work/none.txt" > /dev/null 2> "$work/err"
status=$?
[ "$status" = 1 ] && grep -q "^3170 Impossible de lire un classeur \.ods : le module libtravena_gdal\.so est introuvable (cherché dans « $work/usr/bin » et « $work/usr/lib/travena »)\.$" "$work/err" ||
    { fail "missing module: status $status"; cat "$work/err"; }
[ -e "$work/none.txt" ] && fail "missing module left an output"
"$alone" batch --in "$data/coords.xls" --table 'Points$' --x x_lb72 --y y_lb72 --from "BE LB72" --to "WGS84 UTM" \
    --out "$work/xls.txt" > /dev/null || fail "missing module: an Excel 97 run fails"
"$alone" "${xlsx[@]}" --out "$work/xlsx.txt" > /dev/null || fail "missing module: an .xlsx run fails"
"$alone" convert --from "BE LB72" --to "WGS84 UTM" < "$work/pt.txt" > /dev/null || fail "missing module: convert fails"
# Writing a workbook or a GeoPackage needs no GDAL: our own zip writer packs
# the one, SQLite writes the other.
"$alone" "${xlsx[@]}" --out "$work/alone.xlsx" > /dev/null || fail "missing module: writing a workbook fails"
"$alone" "${xlsx[@]}" --out "$work/alone.gpkg" > /dev/null || fail "missing module: writing a GeoPackage fails"

# Under a memory limit the loader fails first: memory is named, not the module.
(ulimit -v 60000; "$cli" "${ods[@]}" --out "$work/short.txt" > /dev/null 2> "$work/err")
status=$?
[ "$status" = 1 ] && grep -q "^7 Mémoire insuffisante : le module « .* » demande environ [0-9]* Mo d'espace d'adresses et la limite du processus n'en laisse que [0-9]* Mo\.$" "$work/err" ||
    { fail "module under a memory limit: status $status"; cat "$work/err"; }
[ -e "$work/short.txt" ] && fail "module under a memory limit left an output"
# Just short of what loading needs, a library's initialiser used to run out
# of memory inside the loader and end the process (status 134).
for kb in $(seq 150000 1000 200000); do
    (ulimit -v "$kb"; "$cli" "${ods[@]}" --out "$work/edge.txt" > /dev/null 2> "$work/err")
    status=$?
    [ "$status" -le 1 ] || { fail "module loaded under $kb kB: status $status"; head -c 300 "$work/err"; }
    rm -f "$work/edge.txt"
done

mkdir -p "$work/usr/lib/travena"
cp "$bin/libtravena_gdal.so" "$work/usr/lib/travena/"
"$alone" "${xlsx[@]}" --out "$work/installed.gpkg" > /dev/null || fail "the module in lib/travena is not found"

[ "$failures" = 0 ] && echo "GDAL only where it is needed"
exit "$failures"
