#!/usr/bin/env bash
# A delimited text input as people have it: a Belgian export (semicolons,
# decimal commas, CRLF, Windows-1252, a blank line, unnamed columns), and a
# file in a folder that cannot be written, whose scratch database goes to
# the temporary folder and is removed after the run.
# usage: text_input_test.sh path/to/travena-cli
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

printf 'Nom;X;Y;;\r\nRh\xf4ne;150000,5;170000,25;;\r\n\r\nLi\xe8ge;235000;148000;;\r\n' > "$work/relevés.csv"
"$cli" batch --in "$work/relevés.csv" --in-delim semicolon --x X --y Y --from "BE LB72" --to "W Geographic WGS84" \
    --excel --precision 0.001 --out "$work/out.csv" > /dev/null 2> "$work/err" || { fail "belgian csv"; cat "$work/err"; }
expected=$(printf '\xef\xbb\xbf"Nom";"X";"Y";"F4";"F5";"W__Long";"W__Lat"\n"Rhône";"150000,5";"170000,25";" ";" ";"4,368761";"50,840415"')
[ "$(head -2 "$work/out.csv")" = "$expected" ] || { fail "belgian csv output"; head -2 "$work/out.csv"; }

# A read-only folder needs a mount of its own: a user and mount namespace.
if ! unshare -rm true 2> /dev/null; then
    echo "no mount namespace here: read-only folder not tried"
else
    mkdir -p "$work/cd" "$work/tmp"
    cp "$work/relevés.csv" "$work/seed.csv"
    TMPDIR="$work/tmp" unshare -rm bash -c '
        mount -t tmpfs tmpfs "$1/cd" && cp "$1/seed.csv" "$1/cd/relevés.csv" && mount -o remount,ro "$1/cd" || exit 3
        "$2" batch --in "$1/cd/relevés.csv" --in-delim semicolon --x X --y Y --from "BE LB72" \
            --to "W Geographic WGS84" --out "$1/ro_out.txt" > /dev/null
        status=$?
        ls -A "$1/cd" > "$1/cd_files"
        exit $status' _ "$work" "$cli" 2> "$work/err"
    status=$?
    [ "$status" = 0 ] || { fail "read-only folder: status $status"; cat "$work/err"; }
    [ "$(wc -l < "$work/ro_out.txt" 2> /dev/null)" = 3 ] || fail "read-only folder: no output"
    [ "$(cat "$work/cd_files")" = "relevés.csv" ] || fail "read-only folder: $(cat "$work/cd_files")"
    [ -z "$(ls -A "$work/tmp")" ] || fail "scratch database left in the temporary folder: $(ls -A "$work/tmp")"
fi

[ "$failures" = 0 ] && echo "text inputs: all passed"
exit $((failures > 0))
