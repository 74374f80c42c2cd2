#!/usr/bin/env bash
# Every command under an address-space limit (ulimit -v) tight enough that
# threads cannot all be created and allocations fail part-way: a status of
# 0, 1 or 2 with a message, never an abort, and no temporary file left.
# usage: memory_test.sh path/to/travena-cli path/to/tests/data
set -u
cli=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

awk 'BEGIN { srand(1); print "id\tx\ty"; for (i = 0; i < 60000; i++) printf "%d\t%.3f\t%.3f\n", i, 20000 + rand() * 270000, 20000 + rand() * 230000 }' > "$work/big.txt"
awk 'NR > 1 { print $2, $3 }' "$work/big.txt" > "$work/lines"
cp "$data/coords.xlsx" "$work/in.xlsx"

run() {
    local kb=$1 name=$2
    shift 2
    ( ulimit -v "$kb"; timeout 120 "$cli" "$@" ) < "$work/lines" > "$work/out" 2> "$work/err"
    local status=$?
    local left
    left=$(find "$work" -name '*.part*' | wc -l)
    # Memory running out is said as such, never as a record's fault.
    local blamed=0
    if grep -qi "mémoire insuffisante" "$work/err" && ! grep -q "^7 Mémoire insuffisante" "$work/err"; then blamed=1; fi
    if [ "$status" -gt 2 ] || grep -q terminate "$work/err" || [ "$left" != 0 ] || [ "$blamed" = 1 ]; then
        echo "FAIL $name under $kb kB: status $status, $left temporary file(s) left"; head -c 400 "$work/err"; echo
        failures=$((failures + 1))
        find "$work" -name '*.part*' -delete
    fi
    rm -f "$work"/o.* "$work"/big._travena.mdb
}

lb72=(--x x --y y --from "BE LB72" --to "WGS84 UTM" --threads 4)
for kb in 60000 150000 190000 210000; do
    run $kb convert convert --from "BE LB72" --to "WGS84 UTM" --threads 4
    run $kb batch_txt batch --in "$work/big.txt" "${lb72[@]}" --out "$work/o.txt"
    run $kb batch_sqlite batch --in "$work/big.txt" "${lb72[@]}" --out "$work/o.sqlite"
    run $kb batch_gpkg batch --in "$work/big.txt" "${lb72[@]}" --out "$work/o.gpkg"
    run $kb batch_xlsx batch --in "$work/in.xlsx" --table 'Points$' --x x_lb72 --y y_lb72 --from "BE LB72" \
        --to "WGS84 UTM" --threads 4 --out "$work/o.xlsx"
    run $kb table table --row 8 150000 170000
    run $kb systems systems
done
# A workbook of a few megabytes whose sheet unpacks to 300 MB (its rows
# padded as a pretty-printer would, 200 000 records): read as it streams, in
# the memory of a few rows, under a limit far below the sheet's size, and
# converted whole.
if command -v python3 > /dev/null; then
    python3 - "$data/coords.xlsx" "$work/bomb.xlsx" <<'PY'
import sys, zipfile
source, bomb = sys.argv[1], sys.argv[2]
rows = 200000
with zipfile.ZipFile(source) as zin, zipfile.ZipFile(bomb, 'w', zipfile.ZIP_DEFLATED) as zout:
    for item in zin.infolist():
        data = zin.read(item.filename)
        if not item.filename.endswith('sheet1.xml'):
            zout.writestr(item, data)
            continue
        head = data.decode().split('<row r="2">')[0]
        with zout.open(item.filename, 'w', force_zip64=True) as f:
            f.write(head.encode())
            pad = '\n' + ' ' * 1400
            for i in range(rows):
                r = i + 2
                f.write(('<row r="%d"><c r="A%d"><v>%d</v></c><c r="B%d" t="inlineStr"><is><t>%s</t></is></c>'
                         '<c r="E%d"><v>%.3f</v></c><c r="F%d"><v>%.3f</v></c></row>%s'
                         % (r, r, i, r, 'x' * 38, r, 150000 + i % 1000, r, 170000 + i % 777, pad)).encode())
            f.write(b'</sheetData></worksheet>')
PY
    start=$SECONDS
    ( ulimit -v 400000; timeout 300 "$cli" batch --in "$work/bomb.xlsx" --table 'Points$' --x x_lb72 --y y_lb72 \
        --from "BE LB72" --to "WGS84 UTM" --out "$work/o.txt" ) > /dev/null 2> "$work/err"
    status=$?
    records=$(($(wc -l < "$work/o.txt") - 1))
    if [ "$status" != 0 ] || [ "$records" != 200000 ]; then
        echo "FAIL zip bomb: status $status after $((SECONDS - start)) s, $records records"; cat "$work/err"
        failures=$((failures + 1))
    fi
    rm -f "$work/o.txt"
fi
[ "$failures" = 0 ] && echo "memory: all passed"
exit $((failures > 0))
