#!/usr/bin/env bash
# Times `travena-cli convert` against PROJ's cs2cs on the same points in
# Belgium, side by side in one run, for three pipelines:
#   P1 WGS 84 degrees -> Belgian Lambert 72, the same 7-parameter shift
#   P2 WGS 84 degrees -> UTM zone 31 on WGS 84
#   P3 Belgian Lambert 72 -> WGS 84 degrees
#   P4, P5 as P1 and P3 through the IGN grid (--method 4; cs2cs +nadgrids on
#          the project's copy of the grid), then what method 4 costs per
#          point over method 3 (travena-cli's time of P4 over P1, P5 over P3)
# cs2cs writes 15 significant digits (-f %.15g), as travena-cli does. Each
# pipeline runs `rounds` times, alternating the two programs, and the best
# time of each is kept (the machine may be shared). The ratio is cs2cs's
# time over travena-cli's: above 1, travena-cli is faster.
#
# usage: bench/compare_cs2cs.sh path/to/travena-cli [points] [rounds] [threads]
set -euo pipefail
cli=${1:?usage: $0 path/to/travena-cli [points] [rounds] [threads]}
n=${2:-1000000}
rounds=${3:-3}
threads=${4:-}
command -v cs2cs >/dev/null || { echo "cs2cs introuvable (paquet proj-bin)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time introuvable (paquet time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
thread_args=()
[ -n "$threads" ] && thread_args=(--threads "$threads")

# Deterministic points over Belgium: 2.5..6.4 E, 49.5..51.5 N, and Lambert 72
# points over the same area.
awk -v n="$n" 'BEGIN { s = 12345; for (i = 0; i < n; i++) {
  s = (s * 1103515245 + 12345) % 2147483648; lon = 2.5 + 3.9 * s / 2147483648;
  s = (s * 1103515245 + 12345) % 2147483648; lat = 49.5 + 2.0 * s / 2147483648;
  printf "%.7f %.7f\n", lon, lat } }' > "$work/geo.txt"
awk -v n="$n" 'BEGIN { s = 54321; for (i = 0; i < n; i++) {
  s = (s * 1103515245 + 12345) % 2147483648; x = 20000 + 270000 * s / 2147483648;
  s = (s * 1103515245 + 12345) % 2147483648; y = 20000 + 230000 * s / 2147483648;
  printf "%.3f %.3f\n", x, y } }' > "$work/lb72.txt"

# The Lambert 72 row of the default database, in PROJ's terms (angles in degrees).
lb72='+proj=lcc +lat_0=90 +lat_1=51.16666723333333 +lat_2=49.8333339 +lon_0=4.367486666666666
      +x_0=150000.013 +y_0=5400088.438 +ellps=intl
      +towgs84=-106.8686,52.2978,-103.7239,0.3366,-0.457,1.8422,-1.2747 +units=m +no_defs'
lb72grid="${lb72/+towgs84=*+units/+nadgrids=be_ign_bd72lb72_etrs89lb08.tif +units}"
export PROJ_DATA="$(cd "$(dirname "$0")/../data" && pwd):${PROJ_DATA:-/usr/share/proj}"
wgs='+proj=longlat +datum=WGS84 +no_defs'
utm='+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs'

# seconds INPUT COMMAND...: wall and CPU (user + system) seconds.
seconds() {
    local input=$1; shift
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" < "$input" > /dev/null
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time"
}

# pipeline LABEL INPUT "travena args" "cs2cs args"
pipeline() {
    local label=$1 input=$2 tw=99999 tc=99999 pw=99999 pc=99999 w c
    local -a targs pargs
    read -r -a targs <<< "$3"
    read -r -a pargs <<< "$4"
    for ((r = 0; r < rounds; r++)); do
        read -r w c < <(seconds "$input" "$cli" convert "${targs[@]//_/ }" "${thread_args[@]}")
        tw=$(awk -v a="$tw" -v b="$w" 'BEGIN { print (b < a) ? b : a }')
        tc=$(awk -v a="$tc" -v b="$c" 'BEGIN { print (b < a) ? b : a }')
        read -r w c < <(seconds "$input" cs2cs -f %.15g "${pargs[@]}")
        pw=$(awk -v a="$pw" -v b="$w" 'BEGIN { print (b < a) ? b : a }')
        pc=$(awk -v a="$pc" -v b="$c" 'BEGIN { print (b < a) ? b : a }')
    done
    last_tw=$tw
    awk -v l="$label" -v n="$n" -v tw="$tw" -v tc="$tc" -v pw="$pw" -v pc="$pc" 'BEGIN {
      printf "%s  travena-cli %6.0f ns/point (CPU %6.0f)   cs2cs %6.0f ns/point (CPU %6.0f)   rapport cs2cs/travena : %.2f (CPU %.2f)\n",
             l, 1e9 * tw / n, 1e9 * tc / n, 1e9 * pw / n, 1e9 * pc / n, pw / tw, pc / tc }'
}

echo "$n points, meilleur de $rounds essais${threads:+, --threads $threads}"
# Option values hold no blanks here: "_" stands for a blank inside one.
pipeline P1 "$work/geo.txt" "--from W_Geographic_WGS84 --to BE_LB72 --method 3" "$wgs +to $lb72"
p1=$last_tw
pipeline P2 "$work/geo.txt" "--from W_Geographic_WGS84 --to WGS84_UTM" "$wgs +to $utm"
pipeline P3 "$work/lb72.txt" "--from BE_LB72 --to W_Geographic_WGS84 --method 3" "$lb72 +to $wgs"
p3=$last_tw
# Points outside the grid fail in cs2cs (*) and fall back in travena-cli; the
# area above lies inside it.
pipeline P4 "$work/geo.txt" "--from W_Geographic_WGS84 --to BE_LB72 --method 4" "$wgs +to $lb72grid"
p4=$last_tw
pipeline P5 "$work/lb72.txt" "--from BE_LB72 --to W_Geographic_WGS84 --method 4" "$lb72grid +to $wgs"
p5=$last_tw
awk -v a="$p4" -v b="$p1" -v c="$p5" -v d="$p3" 'BEGIN {
  printf "méthode 4 / méthode 3 (travena-cli, temps par point) : P4/P1 %.2f, P5/P3 %.2f\n", a / b, c / d }'
