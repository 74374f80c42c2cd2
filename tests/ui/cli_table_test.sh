#!/usr/bin/env bash
# usage: cli_table_test.sh path/to/travena-cli
# The main window's table, printed by "travena-cli table", against
# "travena-cli convert" (the batch pipeline) for the same Lambert 72 point.
set -u
cli=$1
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

table=$("$cli" table --row 8 --list1 "FR LB93" --list2 "NL Geographic AMSF" 151234.5 171234.5)
status=$?
[ "$status" = 0 ] || fail "table exit status $status"

# row LABEL: the row's fields after its label
row() { printf '%s\n' "$table" | awk -F'\t' -v label="$1" '$1 == label { $1 = ""; sub(/^ /, ""); print; exit }'; }
convert() { echo "151234.5 171234.5" | "$cli" convert --from "BE LB72" --to "$1" | tr '\t' ' '; }
# near "A B ..." "C D ..." TOLERANCE: every pair of numbers within tolerance
near() {
    awk -v a="$1" -v b="$2" -v tol="$3" 'BEGIN {
        n = split(a, x, " "); m = split(b, y, " "); if (n != m || n == 0) exit 1
        for (i = 1; i <= n; i++) { d = x[i] - y[i]; if (d < 0) d = -d; if (d > tol) exit 1 }
    }'
}
fields() { printf '%s\n' "$1" | awk -v from="$2" -v to="$3" '{ s = ""; for (i = from; i <= to; i++) s = s (i > from ? " " : "") $i; print s }'; }

check_geo() {  # label system: decimal-degree cells against the pipeline
    local got; got=$(fields "$(row "$1")" 3 4)
    near "$got" "$(convert "$2")" 1e-6 || fail "$1: $got vs $(convert "$2")"
}
check_projected() {  # label system first last tolerance
    local got; got=$(fields "$(row "$1")" 1 "$3")
    near "$got" "$(convert "$2")" "$4" || fail "$1: $got vs $(convert "$2")"
}
check_text() {  # label system
    [ "$(row "$1")" = "$(convert "$2")" ] || fail "$1: $(row "$1") vs $(convert "$2")"
}

# Every row's values are the model's (compared with the pipeline there); here,
# that each kind of row, fixed or from a list, is printed whole.
check_geo "Geographic ED 50" "BE Geographic ED50"
check_geo "NL Geographic AMSF" "NL Geographic AMSF"
check_projected "UTM WGS 84" "WGS84 UTM" 3 6e-4
check_projected "FR LB93" "FR LB93" 2 6e-4
check_text "MGRS WGS 84" "W MGRS"
check_text "IFBL" "BE IFBL"
[ "$(row "Lambert 72 (LB 72)")" = "151234.5 171234.5" ] ||
    fail "the typed row changed: $(row "Lambert 72 (LB 72)")"
[ "$(printf '%s\n' "$table" | wc -l)" = 13 ] || fail "not 13 rows"

"$cli" table --row 13 1 > /dev/null 2>&1; [ $? = 2 ] || fail "row 13 accepted"
"$cli" table --row 8 1 2 3 > /dev/null 2>&1; [ $? = 2 ] || fail "three cells in row 8 accepted"
"$cli" table --row 11 --list1 "XX NOPE" > /dev/null 2>&1; [ $? = 2 ] || fail "unknown list item accepted"
err=$("$cli" table --row 11 --list1 "UE UTM" 500000 5600000 40 2>&1 > /dev/null); status=$?
[ "$status" = 1 ] && [ "$err" = "Travena : Hors fuseau" ] || fail "zone outside the limits: $status $err"

out=$("$cli" table --row 10 zzz 2>/dev/null); status=$?
[ "$status" = 1 ] && [ -z "$out" ] || fail "refused click: status $status, printed: $out"

[ "$failures" = 0 ] && echo "table and convert agree"
exit "$failures"
