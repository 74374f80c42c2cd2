#!/usr/bin/env bash
# A million-line text table through `travena-cli batch`, to a text file and
# to a database, with the wall time and peak memory of each run, and the
# time per record set beside `travena-cli convert` on the same points.
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

args=(--x x --y y --from "BE LB72" --to "WGS84 UTM" --to2 "W Geographic WGS84" --geo deg)
echo "$n lignes, BE LB72 -> WGS84 UTM + W Geographic WGS84"
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
run convert_geo "$cli" convert --from "BE LB72" --to "W Geographic WGS84" < "$work/xy.txt"

# Two conversions per record in the batch runs, one per line in convert.
# The batch times include the import; the run alone is the rest.
awk -v n="$n" -v i="$(cat "$work/import_seul.s")" -v t="$(cat "$work/batch_texte.s")" \
    -v d="$(cat "$work/batch_base.s")" -v u="$(cat "$work/convert_utm.s")" -v g="$(cat "$work/convert_geo.s")" 'BEGIN {
  c = u + g
  printf "par enregistrement : import %.2f µs, conversion texte %.2f µs, conversion base %.2f µs, convert (2 sorties) %.2f µs\n",
         1e6 * i / n, 1e6 * (t - i) / n, 1e6 * (d - i) / n, 1e6 * c / n
  printf "rapport convert/conversion : texte %.2f, base %.2f (objectif >= 0.5)\n", c / (t - i), c / (d - i)
  printf "rapport convert/(import + conversion) : texte %.2f, base %.2f\n", c / t, c / d }'
