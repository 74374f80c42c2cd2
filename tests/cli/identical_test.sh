#!/usr/bin/env bash
# Output of travena-cli convert and batch on stored points, byte for byte
# against the stored expected files, with one thread and with two.
#
# usage: identical_test.sh path/to/travena-cli path/to/tests/data [--update]
# --update rewrites the expected files from the given binary (one thread).
set -u
cli=$1
data=$2/identical
update=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
threads=(1 2)
[ "$update" = --update ] && threads=(1)

# same NAME GOT EXPECTED
same() {
    if [ "$update" = --update ]; then cp "$2" "$3"; return; fi
    if ! cmp -s "$2" "$3"; then
        echo "FAIL $1: differs from $(basename "$3")"; diff "$3" "$2" | head -5
        failures=$((failures + 1))
    fi
}

# NAME INPUT then the convert options; stdout, stderr and status are compared.
convert_cases=(
    "geo_lb72|geo_deg.txt|--from|W Geographic WGS84|--to|BE LB72|--method|3"
    "geo_utm|geo_deg.txt|--from|W Geographic WGS84|--to|WGS84 UTM"
    "geo_mgrs|geo_deg.txt|--from|W Geographic WGS84|--to|W MGRS"
    "geo_ifbl|geo_deg.txt|--from|W Geographic WGS84|--to|BE IFBL|--method|2"
    "geo_ed50|geo_deg.txt|--from|W Geographic WGS84|--to|BE Geographic ED50|--method|3"
    "dms_rd|geo_dms.txt|--from|BE Geographic BD72|--to|NL RD|--geo|dms"
    "rad_lv03|geo_rad.txt|--from|LU Geographic LUREF|--to|CH LV03|--geo|rad|--method|2"
    "rad_lb93|geo_rad.txt|--from|UE Geographic ETRS89|--to|FR LB93|--geo|rad"
    "lb72_geo|lb72.txt|--from|BE LB72|--to|W Geographic WGS84"
    "lb72_utm|lb72.txt|--from|BE LB72|--to|WGS84 UTM|--method|3"
    "lb72_ifbl|lb72.txt|--from|BE LB72|--to|BE IFBL"
    "lb72_mgrs|lb72.txt|--from|BE LB72|--to|BE MGRS|--method|2"
    "lb72_lutm|lb72.txt|--from|BE LB72|--to|LU TM|--method|3"
    "utm_geo|utm.txt|--from|WGS84 UTM|--to|BE Geographic ED50|--method|3"
    "utm_lb08|utm.txt|--from|WGS84 UTM|--to|BE LB08"
    "utm_mgrs|utm.txt|--from|WGS84 UTM|--to|UE MGRS"
    "mgrs_geo|mgrs.txt|--from|W MGRS|--to|LU Geographic LUREF|--method|2"
    "mgrs_lb72|mgrs.txt|--from|W MGRS|--to|BE LB72|--method|3"
    "ifbl_geo|ifbl.txt|--from|BE IFBL|--to|W Geographic WGS84"
    "ifbl_utm|ifbl.txt|--from|BE IFBL|--to|BE UTM|--method|3"
)

for t in "${threads[@]}"; do
    for c in "${convert_cases[@]}"; do
        IFS='|' read -r -a a <<< "$c"
        "$cli" convert "${a[@]:2}" --threads "$t" < "$data/${a[1]}" > "$work/out" 2> "$work/err"
        echo "status $?" >> "$work/err"
        same "${a[0]} threads $t" "$work/out" "$data/${a[0]}.out"
        same "${a[0]} threads $t (erreurs)" "$work/err" "$data/${a[0]}.err"
    done

    # Batch runs through a text file; their messages and status go to $work/msg.
    batch() { "$cli" batch "$@" --threads "$t" > "$work/msg" 2>&1; echo "status $?" >> "$work/msg"; }
    cp "$data/batch_lb72.txt" "$data/batch_geo.csv" "$work/"
    lb72=(--in "$work/batch_lb72.txt" --x x --y y --from "BE LB72")
    batch "${lb72[@]}" --to "WGS84 UTM" --to2 "W Geographic WGS84" --keep-going --method 3 --out "$work/lb72_out.txt"
    same "batch_lb72 threads $t" "$work/lb72_out.txt" "$data/batch_lb72.out"
    same "batch_lb72 threads $t (messages)" "$work/msg" "$data/batch_lb72.msg"
    batch --in "$work/batch_geo.csv" --in-delim semicolon --x lon --y lat --geo deg --from "BE Geographic ED50" \
        --to "BE MGRS" --to2 "BE IFBL" --delim semicolon --no-quote --out "$work/geo_out.csv"
    same "batch_geo threads $t" "$work/geo_out.csv" "$data/batch_geo.out"
    same "batch_geo threads $t (messages)" "$work/msg" "$data/batch_geo.msg"
    # Without --keep-going the run stops at the first bad record, whichever
    # thread met it, and writes nothing.
    batch "${lb72[@]}" --to "BE IFBL" --out "$work/stop_out.txt"
    test ! -e "$work/stop_out.txt" || echo written >> "$work/msg"
    same "batch_stop threads $t (messages)" "$work/msg" "$data/batch_stop.msg"
    # A database output, its table dumped with every digit of its numbers.
    if command -v sqlite3 > /dev/null; then
        batch "${lb72[@]}" --to "W Geographic WGS84" --to2 "BE MGRS" --keep-going --method 2 --out "$work/lb72_out.mdb"
        sqlite3 "$work/lb72_out.mdb" .schema ".mode quote" "SELECT * FROM Conversions" >> "$work/msg"
        same "batch_db threads $t" "$work/msg" "$data/batch_db.out"
    else
        echo "sqlite3 absent : sortie base non comparée"
    fi
    rm -f "$work"/batch_* "$work"/*_out.*
done

[ "$failures" -eq 0 ] && echo "all identical" && exit 0
echo "$failures difference(s)"
exit 1
