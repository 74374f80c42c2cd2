#!/usr/bin/env bash
# Times `travena-cli convert` against PROJ's cs2cs on the same million points
# in Belgium, WGS 84 degrees -> Belgian Lambert 72 with the same 7-parameter
# shift, side by side in one run, and prints the ratio of points per second.
#
# usage: bench/compare_cs2cs.sh path/to/travena-cli [points]
set -euo pipefail
cli=${1:?usage: $0 path/to/travena-cli [points]}
n=${2:-1000000}
command -v cs2cs >/dev/null || { echo "cs2cs introuvable (paquet proj-bin)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Deterministic points over Belgium: 2.5..6.4 E, 49.5..51.5 N.
awk -v n="$n" 'BEGIN { s = 12345; for (i = 0; i < n; i++) {
  s = (s * 1103515245 + 12345) % 2147483648; lon = 2.5 + 3.9 * s / 2147483648;
  s = (s * 1103515245 + 12345) % 2147483648; lat = 49.5 + 2.0 * s / 2147483648;
  printf "%.7f %.7f\n", lon, lat } }' > "$work/points.txt"

# The Lambert 72 row of the default database, in PROJ's terms (angles in degrees).
lb72='+proj=lcc +lat_0=90 +lat_1=51.16666723333333 +lat_2=49.8333339 +lon_0=4.367486666666666
      +x_0=150000.013 +y_0=5400088.438 +ellps=intl
      +towgs84=-106.8686,52.2978,-103.7239,0.3366,-0.457,1.8422,-1.2747 +units=m +no_defs'

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" > /dev/null; t1=$(date +%s.%N); awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }'; }

t_cli=$(seconds "$cli" convert --from "W Geographic WGS84" --to "BE LB72" --method 3 < "$work/points.txt")
# shellcheck disable=SC2086
t_proj=$(seconds cs2cs -f %.3f +proj=longlat +datum=WGS84 +no_defs +to $lb72 < "$work/points.txt")

# Agreement on the first points, for the record.
head -3 "$work/points.txt" | "$cli" convert --from "W Geographic WGS84" --to "BE LB72" --method 3 > "$work/a.txt"
# shellcheck disable=SC2086
head -3 "$work/points.txt" | cs2cs -f %.3f +proj=longlat +datum=WGS84 +no_defs +to $lb72 > "$work/b.txt"
paste "$work/a.txt" "$work/b.txt"

awk -v n="$n" -v a="$t_cli" -v b="$t_proj" 'BEGIN {
  printf "travena-cli : %.0f points/s (%.2f s)\n", n / a, a
  printf "cs2cs       : %.0f points/s (%.2f s)\n", n / b, b
  printf "rapport travena/cs2cs : %.2f\n", b / a }'
