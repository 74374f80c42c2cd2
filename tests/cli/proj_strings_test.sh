#!/usr/bin/env bash
# The PROJ string `travena-cli systems --proj` gives for each system, run
# through PROJ's cs2cs: the same points as `travena-cli convert`, to 1 mm
# (1e-8 degree for geographic points), towards WGS 84 with the 3-parameter
# and the 7-parameter shifts, and from WGS 84 with the 3-parameter shift.
# Points lie within 1.5 degrees of each origin, where the transverse
# Mercator series agrees with PROJ's exact formulas.
# usage: proj_strings_test.sh path/to/travena-cli
# Skipped (status 77) when cs2cs is not installed.
set -u
cli=$1
command -v cs2cs >/dev/null || { echo "cs2cs absent: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
checked=0
declare -A seen

# The parameter VALUE of KEY in a PROJ string, or the default.
param() { printf '%s\n' "$1" | tr ' ' '\n' | sed -n "s/^+$2=//p" | head -1; }

# compare NAME TOLERANCE OURS PROJ: the first two fields of each line agree.
compare() {
    if ! paste "$3" "$4" | awk -v tol="$2" -v n="$(head -1 "$3" | awk '{ print NF }')" '
        { dx = $1 - $(n + 1); dy = $2 - $(n + 2); if (dx < 0) dx = -dx; if (dy < 0) dy = -dy
          if (NF < n + 2 || dx > tol || dy > tol) bad = 1 }
        END { exit bad }'; then
        echo "FAIL $1"; paste "$3" "$4"
        failures=$((failures + 1))
    fi
    checked=$((checked + 1))
}

for method in 1 3; do
    "$cli" systems --proj --method $method > "$work/systems" || { echo "FAIL systems --proj --method $method"; exit 1; }
    while IFS=$'\t' read -r system string; do
        [ -n "$string" ] && [ "$system" != "W Geographic WGS84" ] || continue
        # A string once, and of the zones of a UTM system the ends and Belgium's.
        [ -z "${seen[$string]:-}" ] || continue
        seen[$string]=1
        zone=$(param "$string" zone)
        case " ${zone:-any} " in *" 1 "*|*" 28 "*|*" 31 "*|*" 32 "*|*" 38 "*|*" 60 "*|" any ") ;; *) continue ;; esac
        lon0=$(param "$string" lon_0); lat0=$(param "$string" lat_0)
        [ -n "$zone" ] && lon0=$((zone * 6 - 183))
        lat=${lat0:-50}
        # An origin at the pole or the equator: a point between the parallels, or at 50 degrees.
        awk -v l="$lat" 'BEGIN { exit !(l > 80 || l < 1) }' && lat=$(param "$string" lat_1) && [ -z "$lat" ] && lat=50
        awk -v l="$lat" 'BEGIN { exit !(l > 80 || l < 1) }' && lat=50
        awk -v x="${lon0:-4.4}" -v y="$lat" 'BEGIN { printf "%.6f %.6f\n%.6f %.6f\n", x - 1.2, y + 0.7, x + 0.9, y - 0.4 }' \
            > "$work/wgs84"
        case $string in
        +proj=longlat*) format=%.10f; tolerance=1e-8 ;;
        *) format=%.5f; tolerance=0.001 ;;
        esac
        # The system's points, then back to WGS 84: the inverse projection and
        # the shift towards WGS 84, the way both programs write the shift.
        "$cli" convert --from "W Geographic WGS84" --to "$system" --method $method < "$work/wgs84" > "$work/ours" 2>&1
        cut -f1,2 "$work/ours" | tr '\t' ' ' | cs2cs -f %.10f $string +to +proj=longlat +datum=WGS84 > "$work/proj" 2>&1
        "$cli" convert --from "$system" --to "W Geographic WGS84" --method $method < "$work/ours" > "$work/back" 2>&1
        compare "$system to WGS 84 (method $method): $string" 1e-8 "$work/back" "$work/proj"
        # From WGS 84, PROJ inverts a 7-parameter shift exactly where the
        # program negates it (some millimetres apart): translations only.
        if [ $method = 1 ]; then
            cs2cs -f "$format" +proj=longlat +datum=WGS84 +to $string < "$work/wgs84" > "$work/proj" 2>&1
            compare "WGS 84 to $system: $string" "$tolerance" "$work/ours" "$work/proj"
        fi
    done < "$work/systems"
done

[ "$checked" -gt 30 ] || { echo "FAIL only $checked strings checked"; failures=$((failures + 1)); }
[ "$failures" = 0 ] && echo "ok: $checked strings agree with cs2cs"
exit $((failures > 0))
