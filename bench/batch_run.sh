#!/usr/bin/env bash
# A million-line text table through `travena-cli batch`, BE LB72 -> WGS84
# UTM, to a text file and to a database, with the wall time and peak memory
# of each run, set beside `travena-cli convert` and PROJ's cs2cs on the bare
# x and y columns of the same points.
#
# usage: bench/batch_run.sh path/to/travena-cli [lines]
set -euo pipefail
cli=${1:?usage: $0 path/to/travena-cli [lines]}
n=${2:-1000000}
[ -x /usr/bin/time ] || { echo "/usr/bin/time introuvable (paquet time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Deterministic Lambert 72 points over Belgium, with an id and a name.
awk -v n="$n" 'BEGIN { print "id\tnom\tx\ty"; s = 12345; for (i = 1; i <= n; i++) {
  s = (s * 1103515245 + 12345) % 2147483648; x = 20000 + 270000 * s / 2147483648;
  s = (s * 1103515245 + 12345) % 2147483648; y = 20000 + 230000 * s / 2147483648;
  printf "%d\tpoint %d\t%.3f\t%.3f\n", i, i, x, y } }' > "$work/pts.txt"
tail -n +2 "$work/pts.txt" | cut -f3,4 > "$work/xy.txt"

# run LABEL COMMAND...: prints seconds and peak resident megabytes.
run() {
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null
    read -r secs kb < "$work/time"
    printf '%-28s %6.2f s  %6.1f Mo\n' "$label" "$secs" "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')"
    echo "$secs" > "$work/$label.s"
}

args=(--x x --y y --from "BE LB72" --to "WGS84 UTM" --geo deg)
echo "$n lignes, BE LB72 -> WGS84 UTM"
# The import alone: a run that stops at once on a field the table lacks.
/usr/bin/time -f "%e %M" -o "$work/time" "$cli" batch --in "$work/pts.txt" --x x --y absent --from "BE LB72" \
    --to "WGS84 UTM" --out "$work/none.txt" > /dev/null 2>&1 || true
read -r secs kb < <(tail -n 1 "$work/time")  # after time's note of the exit status
printf '%-28s %6.2f s  %6.1f Mo\n' import_seul "$secs" "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')"
echo "$secs" > "$work/import_seul.s"
run batch_texte "$cli" batch --in "$work/pts.txt" "${args[@]}" --out "$work/out.txt"
rm -f "$work/pts._travena.mdb"
run batch_base "$cli" batch --in "$work/pts.txt" "${args[@]}" --out "$work/out.mdb"
run convert_utm "$cli" convert --from "BE LB72" --to "WGS84 UTM" < "$work/xy.txt"
lb72='+proj=lcc +lat_0=90 +lat_1=51.16666723333333 +lat_2=49.8333339 +lon_0=4.367486666666666
      +x_0=150000.013 +y_0=5400088.438 +ellps=intl
      +towgs84=-106.8686,52.2978,-103.7239,0.3366,-0.457,1.8422,-1.2747 +units=m +no_defs'
if command -v cs2cs > /dev/null; then
    # shellcheck disable=SC2086
    run cs2cs_colonnes cs2cs -f %.15g $lb72 +to +proj=utm +zone=31 +datum=WGS84 +units=m +no_defs < "$work/xy.txt"
else
    echo "cs2cs introuvable (paquet proj-bin) : pas de comparaison" >&2
    echo 0 > "$work/cs2cs_colonnes.s"
fi

# The batch times include the import; the run alone is the rest.
awk -v n="$n" -v i="$(cat "$work/import_seul.s")" -v t="$(cat "$work/batch_texte.s")" \
    -v d="$(cat "$work/batch_base.s")" -v u="$(cat "$work/convert_utm.s")" -v p="$(cat "$work/cs2cs_colonnes.s")" 'BEGIN {
  printf "par enregistrement : import %.2f µs, conversion texte %.2f µs, conversion base %.2f µs, convert %.2f µs, cs2cs %.2f µs\n",
         1e6 * i / n, 1e6 * (t - i) / n, 1e6 * (d - i) / n, 1e6 * u / n, 1e6 * p / n
  if (p > 0) printf "rapport (import + conversion)/cs2cs : texte %.2f (objectif < 1), base %.2f (objectif <= 1.2)\n", t / p, d / p }'
