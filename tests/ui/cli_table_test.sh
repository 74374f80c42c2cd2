#!/usr/bin/env bash
# usage: cli_table_test.sh path/to/travena-cli
# "travena-cli table" prints each kind of row whole, fixed or from a list, with
# the values "travena-cli convert" gives for the same Lambert 72 point.
set -u
cli=$1
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

table=$("$cli" table --row 8 --list1 "FR LB93" --list2 "NL Geographic AMSF" 151234.5 171234.5) ||
    fail "table exit status $?"

# row LABEL: the row's fields after its label
row() { printf '%s\n' "$table" | awk -F'\t' -v label="$1" '$1 == label { $1 = ""; sub(/^ /, ""); print; exit }'; }
convert() { echo "151234.5 171234.5" | "$cli" convert --from "BE LB72" --to "$1" | tr '\t' ' '; }

# check LABEL SYSTEM FIRST LAST TOLERANCE: fields FIRST..LAST of the row
# (0 0 0: the whole row, as text) against the conversion; numbers read with
# a decimal point whatever the locale
check() {
    local got want; got=$(row "$1"); want=$(convert "$2")
    if [ "$5" = 0 ]; then
        [ "$got" = "$want" ] || fail "$1: $got vs $want"
        return
    fi
    LC_ALL=C awk -v a="$got" -v b="$want" -v from="$3" -v to="$4" -v tol="$5" 'BEGIN {
        split(a, x, " "); n = split(b, y, " "); if (n != to - from + 1) exit 1
        for (i = 1; i <= n; i++) { d = x[from + i - 1] - y[i]; if (d < 0) d = -d; if (d > tol) exit 1 }
    }' || fail "$1: $got vs $want"
}
check "Geographic ED 50" "BE Geographic ED50" 3 4 1e-6
check "NL Geographic AMSF" "NL Geographic AMSF" 3 4 1e-6
check "UTM WGS 84" "WGS84 UTM" 1 3 6e-4
check "FR LB93" "FR LB93" 1 2 6e-4
check "MGRS WGS 84" "W MGRS" 0 0 0
check "IFBL" "BE IFBL" 0 0 0
[ "$(row "Lambert 72 (LB 72)")" = "151234.5 171234.5" ] || fail "the typed row changed: $(row "Lambert 72 (LB 72)")"
[ "$(printf '%s\n' "$table" | wc -l)" = 14 ] || fail "not 13 rows and the method"
[ "$(printf '%s\n' "$table" | tail -1)" = "Méthode : translation géocentrique, 3 paramètres (± 5 m en Belgique)" ] ||
    fail "method line: $(printf '%s\n' "$table" | tail -1)"

# A DMS point typed with blanks and hemisphere letters, as a person types it;
# against cs2cs (same 3 parameters):
# echo "4d21'6.12\"E 50d50'48\"N" | cs2cs +proj=longlat +datum=WGS84 +to +proj=lcc +lat_1=51.16666723333333
#   +lat_2=49.8333339 +lat_0=90 +lon_0=4.367486666666666 +x_0=150000.013 +y_0=5400088.438 +ellps=intl
#   +towgs84=-125.8,79.9,-100.5 -f %.3f  ->  148798.980 170695.807
table=$("$cli" table --row 0 "4 21 6.12 E" "N 50 50 48") || fail "DMS with blanks: status $?"
[ "$(row "Lambert 72 (LB 72)")" = "148798.980 170695.807" ] || fail "DMS with blanks: $(row "Lambert 72 (LB 72)")"
# E and N swapped, and an out-of-domain point that still unprojects: refused in metres.
err=$("$cli" table --row 4 5632971 596372 31 2>&1 > /dev/null); status=$?
[ "$status" = 1 ] && [[ $err == *"la case E est hors limites : 5632971 m"* ]] || fail "swapped UTM: $status $err"
err=$("$cli" table --row 11 --list1 "CH LV03" 1e8 1e8 2>&1 > /dev/null); status=$?
[ "$status" = 1 ] && [[ $err == *"hors du domaine de la projection « CH LV03 »"* ]] || fail "CH LV03 1e8: $status $err"

"$cli" table --row 13 1 > /dev/null 2>&1; [ $? = 2 ] || fail "row 13 accepted"
"$cli" table --row 8 1 2 3 > /dev/null 2>&1; [ $? = 2 ] || fail "three cells in row 8 accepted"
"$cli" table --row 11 --list1 "XX NOPE" > /dev/null 2>&1; [ $? = 2 ] || fail "unknown list item accepted"
err=$("$cli" table --row 11 --list1 "UE UTM" 500000 5600000 40 2>&1 > /dev/null); status=$?
[ "$status" = 1 ] && [ "$err" = "Travena : Hors fuseau" ] || fail "zone outside the limits: $status $err"
out=$("$cli" table --row 10 zzz 2>/dev/null); status=$?
[ "$status" = 1 ] && [ -z "$out" ] || fail "refused click: status $status, printed: $out"

# The height line: the typed height and the other, as convert --height gives
# them at the same WGS 84 point (to the table's millimetre).
heights() { printf '%s\n' "$1" | awk -F'\t' '$1 == "Hauteurs (m) :" { print $3, $5 }'; }
for kinds in h:H H:h; do
    given=${kinds%:*}
    table=$("$cli" table --row 0 "--$given" 100 4.35 50.85 2>&1) || fail "height $kinds: status $?"
    want=$(echo "4.35 50.85 100" | "$cli" convert --from "W Geographic WGS84" --to "BE LB72" \
        --height "$kinds" | cut -f3)
    got=$(heights "$table")
    [ "$given" = h ] && other=${got#* } || other=${got% *}
    LC_ALL=C awk -v a="$other" -v b="$want" 'BEGIN { d = a - b; exit !(d < 6e-4 && d > -6e-4 && a != "") }' ||
        fail "height $kinds: $got vs $want"
done
out=$("$cli" table --row 0 --h 100 0.2 0.9 2>&1); status=$?
[ "$status" = 1 ] && [ "$(heights "$out")" = "100 " ] && [[ $out == *"hors du modèle hBG18"* ]] ||
    fail "height outside the model: $status $out"
"$cli" table --row 0 --h 1 --H 2 0.07 0.88 > /dev/null 2>&1; [ $? = 2 ] || fail "two heights accepted"
[ -z "$(heights "$("$cli" table --row 0 0.07 0.88)")" ] || fail "a height line without heights"

[ "$failures" = 0 ] && echo "table and convert agree"
exit "$failures"
