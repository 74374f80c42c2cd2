#!/usr/bin/env bash
# A million-record table `id,x,y` through `travena-cli batch`, BE LB72 ->
# WGS84 UTM (method 1), text to text, to a workbook and to a GeoPackage, and
# back from a workbook and a GeoPackage to text. Each row is set beside
# GDAL's ogr2ogr doing the same work, EPSG:31370 to EPSG:32631 (given the
# run's own PROJ strings, GDAL 3.6 takes ten times longer a point: that
# would time its operation search, not the work), and the text row beside
# PROJ's cs2cs on the bare x and y columns with the run's parameters. Wall time and peak resident memory of each, medians of `rounds`
# interleaved runs (the machine may be shared; the CPU seconds, user and
# system, tell what a busy machine's wall time hides), then each row's ratio
# of wall times to the goal it is held to.
#
# usage: bench/batch_run.sh path/to/travena-cli [records] [rounds] [threads]
set -euo pipefail
cli=${1:?usage: $0 path/to/travena-cli [records] [rounds] [threads]}
n=${2:-1000000}
rounds=${3:-3}
threads=${4:-2}
[ -x /usr/bin/time ] || { echo "/usr/bin/time introuvable (paquet time)" >&2; exit 2; }
have_ogr=1
command -v ogr2ogr > /dev/null || { have_ogr=0; echo "ogr2ogr introuvable (paquet gdal-bin) : pas de comparaison" >&2; }
have_cs2cs=1
command -v cs2cs > /dev/null || { have_cs2cs=0; echo "cs2cs introuvable (paquet proj-bin) : pas de comparaison" >&2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Deterministic Lambert 72 points over Belgium.
awk -v n="$n" 'BEGIN { print "id,x,y"; s = 12345; for (i = 1; i <= n; i++) {
  s = (s * 1103515245 + 12345) % 2147483648; x = 20000 + 270000 * s / 2147483648;
  s = (s * 1103515245 + 12345) % 2147483648; y = 20000 + 230000 * s / 2147483648;
  printf "%d,%.3f,%.3f\n", i, x, y } }' > "$work/pts.csv"
tail -n +2 "$work/pts.csv" | cut -d, -f2,3 | tr , ' ' > "$work/xy.txt"

lb72=$("$cli" systems --proj --method 1 | awk -F '\t' '$1 == "BE LB72" { if (!f++) print $2 }')
utm=$("$cli" systems --proj | awk -F '\t' '$1 == "WGS84 UTM" && / \+zone=31 / { if (!f++) print $2 }')
args=(--x x --y y --from "BE LB72" --to "WGS84 UTM" --method 1 --threads "$threads")
if [ "$have_ogr" = 1 ]; then
    ogr2ogr -f XLSX "$work/pts.xlsx" "$work/pts.csv" -nln pts -oo AUTODETECT_TYPE=YES
    ogr2ogr -f GPKG "$work/pts.gpkg" "$work/pts.csv" -nln pts -oo AUTODETECT_TYPE=YES \
        -oo X_POSSIBLE_NAMES=x -oo Y_POSSIBLE_NAMES=y -oo KEEP_GEOM_COLUMNS=YES -a_srs EPSG:31370
else
    "$cli" batch --in "$work/pts.csv" --in-delim comma "${args[@]}" --out "$work/pts.xlsx" > /dev/null
    "$cli" batch --in "$work/pts.csv" --in-delim comma "${args[@]}" --out "$work/pts.gpkg" > /dev/null
fi
ogr=(ogr2ogr -s_srs EPSG:31370 -t_srs EPSG:32631)
ogr_csv=(-oo X_POSSIBLE_NAMES=x -oo Y_POSSIBLE_NAMES=y -oo KEEP_GEOM_COLUMNS=YES -oo AUTODETECT_TYPE=YES)
ogr_xlsx=(-dialect SQLite -sql "SELECT id, x, y, MakePoint(x, y) AS geometry FROM pts")

# timed NAME COMMAND...: appends "seconds kilobytes cpu-seconds" to $work/NAME.
timed() {
    local name=$1; shift
    /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" > /dev/null 2> "$work/err" ||
        { echo "échec de $name :" >&2; cat "$work/err" >&2; exit 1; }
    tail -n 1 "$work/time" | awk '{ print $1, $2, $3 + $4 }' >> "$work/$name"
}
clean() { rm -rf "$work"/out.* "$work"/pts._travena.mdb; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
secs() { cut -d' ' -f1 "$work/$1" | median; }
megs() { cut -d' ' -f2 "$work/$1" | median | awk '{ printf "%.0f", $1 / 1024 }'; }
cpu() { cut -d' ' -f3 "$work/$1" | median; }

# row NAME INPUT OUTPUT TRAVENA-INPUT-ARGS... -- OGR-ARGS...: one round of a row.
row() {
    local name=$1 in=$2 out=$3; shift 3
    local -a targs=() oargs=()
    while [ "$1" != -- ]; do targs+=("$1"); shift; done
    shift
    oargs=("$@")
    clean
    timed "t_$name" "$cli" batch --in "$work/$in" "${targs[@]}" "${args[@]}" --out "$work/out.$out"
    clean
    if [ "$have_ogr" = 1 ]; then
        local format=CSV
        case $out in xlsx) format=XLSX ;; gpkg) format=GPKG ;; esac
        local -a lco=()
        [ "$format" = CSV ] && lco=(-lco GEOMETRY=AS_XY)
        timed "o_$name" "${ogr[@]}" -f "$format" "$work/out.$out" "$work/$in" "${oargs[@]}" "${lco[@]}"
    fi
}

for ((r = 0; r < rounds; r++)); do
    row texte_texte pts.csv txt --in-delim comma -- "${ogr_csv[@]}"
    [ "$have_cs2cs" = 1 ] && timed cs2cs cs2cs -f %.15g $lb72 +to $utm < "$work/xy.txt"
    row texte_xlsx pts.csv xlsx --in-delim comma -- "${ogr_csv[@]}"
    row texte_gpkg pts.csv gpkg --in-delim comma -- "${ogr_csv[@]}"
    row xlsx_texte pts.xlsx txt --table 'pts$' -- "${ogr_xlsx[@]}"
    row gpkg_texte pts.gpkg txt --table pts --
done
clean

echo "$n enregistrements, BE LB72 -> WGS84 UTM, --threads $threads, médianes de $rounds essais alternés"
tt=$(secs t_texte_texte)
tg=$(secs t_gpkg_texte)
for name in texte_texte texte_xlsx texte_gpkg xlsx_texte gpkg_texte; do
    t=$(secs "t_$name")
    line=$(printf '%-12s travena-cli %6.2f s (CPU %5.2f) %4s Mo' "$name" "$t" "$(cpu "t_$name")" "$(megs "t_$name")")
    if [ -s "$work/o_$name" ]; then
        o=$(secs "o_$name")
        line+=$(printf '   ogr2ogr %6.2f s (CPU %5.2f) %4s Mo (%.2f)' "$o" "$(cpu "o_$name")" "$(megs "o_$name")" \
            "$(awk -v a="$t" -v b="$o" 'BEGIN { print a / b }')")
    fi
    case $name in
        texte_texte)
            if [ -s "$work/cs2cs" ]; then
                p=$(secs cs2cs)
                line+=$(printf '   cs2cs %6.2f s (CPU %5.2f) %4s Mo ; objectif <= 0.5 x cs2cs : %.2f' "$p" "$(cpu cs2cs)" "$(megs cs2cs)" \
                    "$(awk -v a="$t" -v b="$p" 'BEGIN { print a / b }')")
            fi ;;
        texte_xlsx) line+=$(awk -v a="$t" -v b="$tt" 'BEGIN { printf " ; objectif <= 2 x texte_texte : %.2f", a / b }') ;;
        texte_gpkg) line+=$(awk -v a="$t" -v b="$tt" 'BEGIN { printf " ; objectif <= 2.5 x texte_texte : %.2f", a / b }') ;;
        xlsx_texte) line+=$(awk -v a="$t" -v b="$tg" 'BEGIN { printf " ; objectif <= 2 x gpkg_texte et <= 100 Mo : %.2f", a / b }') ;;
        gpkg_texte) line+=$(awk -v a="$t" -v b="$tt" 'BEGIN { printf " ; objectif <= 2 x texte_texte : %.2f", a / b }') ;;
    esac
    echo "$line"
done
