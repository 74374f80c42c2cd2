#!/usr/bin/env bash
# Two builds of travena-cli on the same large point sets, output compared
# byte for byte: the check that a change made for speed changed no digit.
# Covers every kind of input and output (geographic in degrees, radians and
# DMS text, projected, UTM, MGRS, IFBL), the four datum methods, and one
# batch run; points are random over Belgium and its neighbours, written with
# 3 to 15 significant decimals.
#
# usage: bench/same_output.sh old/travena-cli new/travena-cli [points per case]
set -euo pipefail
old=${1:?usage: $0 old/travena-cli new/travena-cli [points per case]}
new=${2:?usage: $0 old/travena-cli new/travena-cli [points per case]}
n=${3:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -n "${KEEP:-}" ] && trap - EXIT && echo "$work"

# gen FILE SEED KIND: deterministic points of one kind.
gen() {
    awk -v n="$n" -v s="$2" -v kind="$3" 'function r() { s = (s * 1103515245 + 12345) % 2147483648; return s / 2147483648 }
    BEGIN { for (i = 0; i < n; i++) {
      if (kind == "deg") printf "%.*f %.*f\n", 3 + i % 13, 1 + 6.5 * r(), 3 + i % 13, 49 + 3 * r()
      else if (kind == "rad") printf "%.15g %.15g\n", (1 + 6.5 * r()) / 57.29577951308232, (49 + 3 * r()) / 57.29577951308232
      else if (kind == "dms") { a = 2 + 4 * r(); b = 49.5 + 2 * r();
        printf "%d°%d'\''%.3f'\'''\'' %d°%d'\''%.3f'\'''\''\n", int(a), int((a - int(a)) * 60), ((a - int(a)) * 60 - int((a - int(a)) * 60)) * 60,
               int(b), int((b - int(b)) * 60), ((b - int(b)) * 60 - int((b - int(b)) * 60)) * 60 }
      else if (kind == "lb72") printf "%.*f %.*f\n", i % 7, 20000 + 270000 * r(), i % 7, 20000 + 230000 * r()
      else if (kind == "utm") printf "%.3f %.3f %d\n", 300000 + 400000 * r(), 5450000 + 350000 * r(), 31 + i % 2
    } }' > "$1"
}
gen "$work/deg" 1 deg
gen "$work/rad" 2 rad
gen "$work/dms" 3 dms
gen "$work/lb72" 4 lb72
gen "$work/utm" 5 utm
# MGRS and IFBL references, made by the old build itself.
"$old" convert --from "BE LB72" --to "BE MGRS" < "$work/lb72" > "$work/mgrs" 2> /dev/null || true
"$old" convert --from "BE LB72" --to "BE IFBL" < "$work/lb72" | grep -v '^No zone' > "$work/ifbl" 2> /dev/null || true

cases=(
    "deg|--from|W Geographic WGS84|--to|BE LB72|--method|3"
    "deg|--from|W Geographic WGS84|--to|WGS84 UTM"
    "deg|--from|W Geographic WGS84|--to|BE LB72|--method|4"
    "deg|--from|W Geographic WGS84|--to|BE Geographic ED50|--method|2"
    "deg|--from|W Geographic WGS84|--to|W MGRS"
    "rad|--from|LU Geographic LUREF|--to|LU TM|--geo|rad|--method|3"
    "dms|--from|BE Geographic BD72|--to|NL RD|--geo|dms"
    "lb72|--from|BE LB72|--to|W Geographic WGS84|--method|1"
    "lb72|--from|BE LB72|--to|BE LB08|--method|1"
    "lb72|--from|BE LB72|--to|W Geographic WGS84|--method|4"
    "lb72|--from|BE LB72|--to|BE IFBL|--method|2"
    "utm|--from|WGS84 UTM|--to|BE Geographic ED50|--method|3"
    "mgrs|--from|BE MGRS|--to|BE LB72|--method|3"
    "ifbl|--from|BE IFBL|--to|W Geographic WGS84"
)
failures=0 points=0
for c in "${cases[@]}"; do
    IFS='|' read -r -a a <<< "$c"
    for t in 1 2; do
        "$old" convert "${a[@]:1}" --threads 1 < "$work/${a[0]}" > "$work/old" 2> "$work/old.err" || true
        "$new" convert "${a[@]:1}" --threads "$t" < "$work/${a[0]}" > "$work/new" 2> "$work/new.err" || true
        if cmp -s "$work/old" "$work/new" && cmp -s "$work/old.err" "$work/new.err"; then
            [ "$t" = 1 ] && points=$((points + $(wc -l < "$work/old")))
        else
            echo "DIFFÉRENT : ${a[*]:1} --threads $t"; cmp "$work/old" "$work/new" | head -3
            failures=$((failures + 1))
        fi
    done
done
# A batch run, text to text, two outputs.
awk 'BEGIN { print "id\tx\ty" } { print NR "\t" $1 "\t" $2 }' "$work/lb72" > "$work/pts.txt"
for side in old new; do
    rm -f "$work/pts._travena.mdb"
    "${!side}" batch --in "$work/pts.txt" --x x --y y --from "BE LB72" --to "WGS84 UTM" --to2 "W Geographic WGS84" \
        --method 3 --threads 2 --out "$work/out_$side.txt" > /dev/null
done
if cmp -s "$work/out_old.txt" "$work/out_new.txt"; then
    points=$((points + n))
else
    echo "DIFFÉRENT : batch"; failures=$((failures + 1))
fi
# The same to a database, its table dumped with every digit.
if command -v sqlite3 > /dev/null; then
    for side in old new; do
        rm -f "$work/pts._travena.mdb"
        "${!side}" batch --in "$work/pts.txt" --x x --y y --from "BE LB72" --to "W Geographic WGS84" --to2 "BE MGRS" \
            --method 2 --threads 2 --out "$work/out_$side.mdb" > /dev/null
        sqlite3 "$work/out_$side.mdb" .schema ".mode quote" "SELECT * FROM Conversions" > "$work/dump_$side"
    done
    if cmp -s "$work/dump_old" "$work/dump_new"; then
        points=$((points + n))
    else
        echo "DIFFÉRENT : batch base"; failures=$((failures + 1))
    fi
fi
echo "$points points comparés, $failures différence(s)"
[ "$failures" = 0 ]
