#!/usr/bin/env bash
# Times `travena-cli convert` against PROJ's cs2cs on the same points in
# Belgium, side by side in one run:
#   P1 WGS 84 degrees -> Belgian Lambert 72, method 3 (7-parameter shift)
#   P2 WGS 84 degrees -> UTM zone 31 on WGS 84
#   P3 Belgian Lambert 72 -> WGS 84 degrees, method 1 (geocentric translation)
#   P4 Belgian Lambert 72 -> Belgian Lambert 2008, method 1
#   G1, G2 as P1 and P3 through the IGN grid (--method 4; cs2cs +nadgrids on
#          the project's copy of the grid), then what method 4 costs per
#          point over method 3 (travena-cli's CPU time of G1 over P1)
# cs2cs writes 15 significant digits (-f %.15g), as travena-cli does; its
# PROJ strings are those of `travena-cli systems --proj`, so both programs
# use the same parameters. Each round runs travena-cli on one thread, on
# `threads` threads, then cs2cs, and the medians over the rounds are kept
# (the machine may be shared: interleaving spreads the other load over all
# three). Ratios are travena-cli's time over cs2cs's: below 1, travena-cli
# is faster. With one thread the CPU times are compared, with more the wall
# times (cs2cs has one thread).
#
# usage: bench/compare_cs2cs.sh path/to/travena-cli [points] [rounds] [threads]
set -euo pipefail
cli=${1:?usage: $0 path/to/travena-cli [points] [rounds] [threads]}
n=${2:-1000000}
rounds=${3:-5}
threads=${4:-2}
command -v cs2cs >/dev/null || { echo "cs2cs introuvable (paquet proj-bin)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time introuvable (paquet time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

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

# proj SYSTEM METHOD: the system's PROJ string as travena-cli gives it.
proj() {
    "$cli" systems --proj --method "$2" | awk -F '\t' -v s="$1" '$1 == s { if (!f++) print $2 }'
}
wgs='+proj=longlat +datum=WGS84 +no_defs'
utm=$("$cli" systems --proj | awk -F '\t' '$1 == "WGS84 UTM" && / \+zone=31 / { if (!f++) print $2 }')
lb72_1=$(proj "BE LB72" 1)
lb72_3=$(proj "BE LB72" 3)
lb08=$(proj "BE LB08" 1)
for s in "$utm" "$lb72_1" "$lb72_3" "$lb08"; do
    [ -n "$s" ] || { echo "système absent de la base de paramètres" >&2; exit 2; }
done
lb72grid="${lb72_3/+towgs84=* +units/+nadgrids=be_ign_bd72lb72_etrs89lb08.tif +units}"
export PROJ_DATA="$(cd "$(dirname "$0")/../data" && pwd):${PROJ_DATA:-/usr/share/proj}"

# seconds INPUT COMMAND...: wall and CPU (user + system) seconds.
seconds() {
    local input=$1; shift
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" < "$input" > /dev/null
    awk '{ printf "%s %.3f\n", $1, $2 + $3 }' "$work/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# pipeline LABEL INPUT GOAL1 GOAL2 "travena args" "cs2cs args"; sets last_cpu.
pipeline() {
    local label=$1 input=$2 goal1=$3 goal2=$4 r w c
    local -a targs pargs
    read -r -a targs <<< "$5"
    read -r -a pargs <<< "$6"
    : > "$work/t1"; : > "$work/t2"; : > "$work/p"
    for ((r = 0; r < rounds; r++)); do
        seconds "$input" "$cli" convert "${targs[@]//_/ }" --threads 1 >> "$work/t1"
        seconds "$input" "$cli" convert "${targs[@]//_/ }" --threads "$threads" >> "$work/t2"
        seconds "$input" cs2cs -f %.15g "${pargs[@]}" >> "$work/p"
    done
    local t1c t2w pw pc
    t1c=$(cut -d' ' -f2 "$work/t1" | median)
    t2w=$(cut -d' ' -f1 "$work/t2" | median)
    pw=$(cut -d' ' -f1 "$work/p" | median)
    pc=$(cut -d' ' -f2 "$work/p" | median)
    last_cpu=$t1c
    awk -v l="$label" -v n="$n" -v t1c="$t1c" -v t2w="$t2w" -v pw="$pw" -v pc="$pc" -v g1="$goal1" -v g2="$goal2" \
        -v k="$threads" 'BEGIN {
      printf "%-3s 1 fil, CPU : travena-cli %5.0f ns/point, cs2cs %5.0f : %.2f%s   %d fils, mur : travena-cli %5.0f ns/point, cs2cs %5.0f : %.2f%s\n",
             l, 1e9 * t1c / n, 1e9 * pc / n, t1c / pc, g1 == "" ? "" : " (objectif <= " g1 ")",
             k, 1e9 * t2w / n, 1e9 * pw / n, t2w / pw, g2 == "" ? "" : " (objectif <= " g2 ")" }'
}

echo "$n points, médianes de $rounds essais alternés ; rapport travena-cli / cs2cs (plus bas : travena-cli plus rapide)"
# Option values hold no blanks here: "_" stands for a blank inside one.
pipeline P1 "$work/geo.txt" 0.33 0.20 "--from W_Geographic_WGS84 --to BE_LB72 --method 3" "$wgs +to $lb72_3"
p1=$last_cpu
pipeline P2 "$work/geo.txt" 0.25 0.15 "--from W_Geographic_WGS84 --to WGS84_UTM" "$wgs +to $utm"
pipeline P3 "$work/lb72.txt" 0.45 0.25 "--from BE_LB72 --to W_Geographic_WGS84 --method 1" "$lb72_1 +to $wgs"
pipeline P4 "$work/lb72.txt" 0.45 0.25 "--from BE_LB72 --to BE_LB08 --method 1" "$lb72_1 +to $lb08"
# Points outside the grid fail in cs2cs (*) and fall back in travena-cli; the
# area above lies inside it.
pipeline G1 "$work/geo.txt" "" "" "--from W_Geographic_WGS84 --to BE_LB72 --method 4" "$wgs +to $lb72grid"
g1=$last_cpu
pipeline G2 "$work/lb72.txt" "" "" "--from BE_LB72 --to W_Geographic_WGS84 --method 4" "$lb72grid +to $wgs"
awk -v a="$g1" -v b="$p1" 'BEGIN {
  printf "méthode 4 / méthode 3 (travena-cli, CPU par point) : G1/P1 %.2f\n", a / b }'
