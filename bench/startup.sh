#!/usr/bin/env bash
# The cost of one point: `travena-cli convert` against PROJ's cs2cs on a
# single WGS 84 -> Lambert 72 point, as a script calling the command once
# per point pays it. Runs alternate between the two; the medians of the wall
# times and the peak resident memory of each are printed, with their ratio
# (travena-cli over cs2cs: below 1, travena-cli is lighter).
#
# usage: bench/startup.sh path/to/travena-cli [rounds]
set -euo pipefail
cli=${1:?usage: $0 path/to/travena-cli [rounds]}
rounds=${2:-41}
command -v cs2cs > /dev/null || { echo "cs2cs introuvable (paquet proj-bin)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time introuvable (paquet time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "4.3517 50.8466" > "$work/pt.txt"

lb72='+proj=lcc +lat_0=90 +lat_1=51.16666723333333 +lat_2=49.8333339 +lon_0=4.367486666666666
      +x_0=150000.013 +y_0=5400088.438 +ellps=intl
      +towgs84=-106.8686,52.2978,-103.7239,0.3366,-0.457,1.8422,-1.2747 +units=m +no_defs'
# shellcheck disable=SC2206
travena=("$cli" convert --from "W Geographic WGS84" --to "BE LB72" --method 3)
# shellcheck disable=SC2206
proj=(cs2cs -f %.15g +proj=longlat +datum=WGS84 +to $lb72)

# once FILE COMMAND...: appends the run's milliseconds to FILE, its peak kilobytes to FILE.kb.
once() {
    local file=$1 start end; shift
    start=$EPOCHREALTIME
    "$@" < "$work/pt.txt" > /dev/null
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", (b - a) * 1000 }' >> "$file"
    /usr/bin/time -f %M -a -o "$file.kb" "$@" < "$work/pt.txt" > /dev/null
}
median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

"${travena[@]}" < "$work/pt.txt" > /dev/null  # warm the caches
"${proj[@]}" < "$work/pt.txt" > /dev/null
for ((r = 0; r < rounds; r++)); do
    once "$work/t" "${travena[@]}"
    once "$work/p" "${proj[@]}"
done
awk -v tt="$(median "$work/t")" -v pt="$(median "$work/p")" -v tk="$(median "$work/t.kb")" \
    -v pk="$(median "$work/p.kb")" -v n="$rounds" 'BEGIN {
  printf "un point, médianes de %d essais alternés\n", n
  printf "travena-cli convert %6.1f ms %6.1f Mo   cs2cs %6.1f ms %6.1f Mo   rapport travena/cs2cs : temps %.2f, mémoire %.2f\n",
         tt, tk / 1024, pt, pk / 1024, tt / pt, tk / pk }'
