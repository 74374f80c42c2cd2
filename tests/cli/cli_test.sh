#!/usr/bin/env bash
# usage: cli_test.sh path/to/travena-cli path/to/tests/data
set -u
cli=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Perl regex against a whole file: ^ is its start, $ its end.
matches() { RE=$1 perl -e 'local $/; my $t = <STDIN> // ""; exit($t =~ /$ENV{RE}/ ? 0 : 1)' < "$2"; }

# check NAME EXPECTED_STATUS STDOUT_REGEX STDERR_REGEX -- ARGS... (stdin from $input)
check() {
    local name=$1 status=$2 out_re=$3 err_re=$4; shift 5
    printf '%s' "$input" | "$cli" "$@" > "$work/out" 2> "$work/err"
    local got=$?
    if [ "$got" != "$status" ] || ! matches "$out_re" "$work/out" || ! matches "$err_re" "$work/err"; then
        echo "FAIL $name: status $got (want $status)"; echo "-- stdout:"; cat "$work/out"; echo "-- stderr:"; cat "$work/err"
        failures=$((failures + 1))
    fi
}

input=$'4.3517 50.8466\n'
check wgs84_to_lb72 0 '^148799\.08\d*\t170688\.56\d*\n$' '^$' -- \
    convert --from "W Geographic WGS84" --to "BE LB72" --method 3

input=$'4,3517;50,8466\r\n'
check decimal_comma_crlf 0 '^148799\.08\d*\t170688\.56\d*\n$' '^$' -- \
    convert --from "W Geographic WGS84" --to "BE LB72" --method=3

input=$'4°21\'6.12\'\' 50°50\'47.76\'\'\n'
check dms_input 0 '^148799\.08\d*\t170688\.56\d*\n$' '^$' -- \
    convert --from "W Geographic WGS84" --to "BE LB72" --method 3 --geo dms

input=$'585104.094 5594913.119 31\n'
check utm_to_mgrs 0 '^31UER8510494913\n$' '^$' -- convert --from "WGS84 UTM" --to "W MGRS"

input=$'31U ER 85104 94913\n'
check mgrs_to_geographic 0 '^4\.19999\d*\t50\.49999\d*\n$' '^$' -- convert --from "W MGRS" --to "W Geographic WGS84"

input=$'2500 257500\n'
check lambert_to_ifbl 0 '^A01111\n$' '^$' -- convert --from "BE LB72" --to "BE IFBL"

input=$'4.2 50.5\n'
check geographic_to_utm 0 '^585104\.09\d*\t5594913\.11\d*\t31\n$' '^$' -- \
    convert --from "W Geographic WGS84" --to "WGS84 UTM"

input=$'150000 170000\nabc 170000\n150000\n\n150000 170000\n'
check bad_lines_go_on 1 '^(\d+\.\d+\t\d+\.\d+\n)(\*\t\*\n){3}\d+\.\d+\t\d+\.\d+\n$' \
    'Ligne 2 : .*\nLigne 3 : .*\nLigne 4 : ' -- convert --from "BE LB72" --to "BE Geographic ED50"

input=$'31UIR8510494913\n'
check unreadable_mgrs 1 '^\*\t\*\t\*\n$' '^Ligne 1 : ' -- convert --from "W MGRS" --to "BE UTM"

input=$'2500 257500\n1000 1000\n'
check ifbl_outside_the_grid 1 '^A01111\n\*\n$' '^Ligne 2 : point hors de la grille IFBL\.\n$' -- \
    convert --from "BE LB72" --to "BE IFBL"

input=$'2500 257500\r2500 257500\r\n2500 257500\r'
check cr_only_line_ends 0 '^(A01111\n){3}$' '^$' -- convert --from "BE LB72" --to "BE IFBL"

# Output that cannot be written, input that cannot be read: a message and a failure status.
input=$'2500 257500\n'
for args in "convert --from BE_LB72 --to BE_IFBL" "systems" "table --row 8 150000 170000"; do
    set -- $args
    [ "$1" = convert ] && set -- convert --from "BE LB72" --to "BE IFBL"
    printf '%s' "$input" | "$cli" "$@" > /dev/full 2> "$work/err"
    status=$?
    if [ "$status" = 0 ] || ! grep -q 'écriture impossible : Aucun espace disponible sur le disque' "$work/err"; then
        echo "FAIL full_disk $1: status $status"; cat "$work/err"; failures=$((failures + 1))
    fi
done
"$cli" convert --from "BE LB72" --to "BE IFBL" < "$work" > "$work/out" 2> "$work/err"
status=$?
if [ "$status" = 0 ] || ! grep -q "lecture de l'entrée impossible" "$work/err"; then
    echo "FAIL unreadable_input: status $status"; cat "$work/err"; failures=$((failures + 1))
fi

input=$'1 2\n'
check unknown_system 2 '^$' 'système inconnu' -- convert --from "XX NOPE" --to "BE LB72"
check missing_params 2 '^$' 'introuvable' -- convert --from "BE LB72" --to "BE UTM" --params "$work/none.mdb"
test ! -e "$work/none.mdb" || { echo "FAIL missing_params created the file"; failures=$((failures + 1)); }
check bad_method 2 '^$' 'method' -- convert --from "BE LB72" --to "BE UTM" --method 4
check unknown_option 2 '^$' 'option inconnue' -- convert --from "BE LB72" --to "BE UTM" --speed 9
check missing_value 2 '^$' 'valeur manquante après --to' -- convert --from "BE LB72" --to
check no_command 2 '^$' 'commande manquante' --
for command in convert batch table systems; do
    check "help_$command" 0 "^Usage :\n  travena-cli $command " '^$' -- "$command" --help
done
check help_lists_every_command 0 'convert[\s\S]*batch[\s\S]*table[\s\S]*systems[\s\S]*--version' '^$' -- --help
check version 0 '^travena-cli \d+\.\d+' '^$' -- --version

input=''
check systems 0 '^WGS84 UTM\n(.*\n)*W Geographic WGS84\n(.*\n)*W MGRS\n(.*\n)*BE IFBL\n$' '^$' -- systems

# batch: a table file in, a converted file out, nothing left by a failure.
input=''
printf 'id;x;y\r\n1;148679,447;171066,810\r\n2;152357,483;212161,981\r\n' > "$work/pts.txt"
check batch_text 0 '^Conversion terminée avec succès\.\n$' '^$' -- batch --in "$work/pts.txt" --in-delim semicolon \
    --x x --y y --from "BE LB72" --to "W MGRS" --to2 "WGS84 UTM" --out "$work/out.csv" --delim comma --no-quote
# Values holding the delimiter are quoted even with --no-quote.
matches '^id,x,y,W_MGRS,E_WGS84_UTM,N_WGS84_UTM,Fuseau_2\n1,"148679,447","171066,810",31UES\d+,595032\.\d+,5634013\.\d+,31\n2,' \
    "$work/out.csv" || { echo "FAIL batch_text output:"; cat "$work/out.csv"; failures=$((failures + 1)); }
check batch_mdb 0 'succès' '^$' -- batch --in "$work/pts.txt" --in-delim ';' --x x --y y \
    --from "BE LB72" --to "W Geographic WGS84" --out "$work/out.mdb"
check batch_mdb_exists 1 '^$' '^Erreur lors de la conversion\. .*\n3204 ' -- batch --in "$work/pts.txt" --in-delim ';' \
    --x x --y y --from "BE LB72" --to "W Geographic WGS84" --out "$work/out.mdb"
check batch_excel_rounded 0 'succès' '^$' -- batch --in "$work/pts.txt" --in-delim ';' --x x --y y \
    --from "BE LB72" --to "BE Geographic ED50" --excel --precision 0.001 --out "$work/excel.csv"
matches '^\xEF\xBB\xBF"id";"x";"y";"BE_Long";"BE_Lat"\n"1";"148679,447";"171066,810";"4,\d{1,6}";"50,\d{1,6}"\n' \
    "$work/excel.csv" || { echo "FAIL batch_excel_rounded output:"; cat "$work/excel.csv"; failures=$((failures + 1)); }
check batch_excel_not_text 2 '^$' '^--excel ne s.applique qu.à une sortie texte' -- batch --in "$work/pts.txt" \
    --in-delim ';' --x x --y y --from "BE LB72" --to "BE UTM" --excel --out "$work/never.gpkg"
check batch_refused 2 '^$' '^Indiquez la correspondance Y\.\n$' -- batch --in "$work/pts.txt" --x x \
    --from "BE LB72" --to "BE UTM" --out "$work/never.txt"
check batch_bad_ending 2 '^$' 'doit se terminer par' -- batch --in "$work/pts.txt" --x x --y y \
    --from "BE LB72" --to "BE UTM" --out "$work/never.xls"
check batch_wrong_field 1 '^$' '^Erreur lors de la conversion.*\n.*« z »' -- batch --in "$work/pts.txt" \
    --in-delim semicolon --x x --y z --from "BE LB72" --to "BE UTM" --out "$work/never.txt"
check batch_bad_text 1 '^$' '^Erreur dans la lecture du fichier texte\. Vérifiez ce fichier\n' -- batch \
    --in "$work/pts.txt" --in-delim ';;' --x x --y y --from "BE LB72" --to "BE UTM" --out "$work/never.txt"
test ! -e "$work/never.txt" && test ! -e "$work/never.gpkg" || { echo "FAIL a refused or failed batch left output"; failures=$((failures + 1)); }

# --keep-going: every record written, the bad ones marked, the counts reported.
mkdir "$work/dbase" && cp "$data/dbase/points.dbf" "$work/dbase/"
check keep_going_dbase 1 '^Conversion terminée : 19 enregistrement\(s\) converti\(s\), 1 en échec' \
    '^Enregistrement 7 : 94 champ « X »' -- batch --in "$work/dbase" --table points --x X --y Y --zone ZONE \
    --from "WGS84 UTM" --to "W MGRS" --out "$work/dbase.txt" --no-quote --keep-going
matches '^ID\tNAME\tX\tY\tZONE\tW_MGRS\tErreur\n(.*\t\n){6}7\tMons\t\t[\d.]+\t31\t\t94 champ « X » : valeur Null\.\n(.*\t\n){13}$' \
    "$work/dbase.txt" || { echo "FAIL keep_going_dbase output:"; cat "$work/dbase.txt"; failures=$((failures + 1)); }
cp "$data/text/pts_semicolon_quoted.txt" "$work/quoted.txt"
check keep_going_text 1 '19 enregistrement\(s\) converti\(s\), 1 en échec' '^Enregistrement 9 : ' -- batch \
    --in "$work/quoted.txt" --in-delim semicolon --x x --y y --from "BE LB72" --to "BE UTM" \
    --out "$work/quoted.mdb" --keep-going

# A million-line stream must not be held in memory: a quick check on 200000 lines.
seq 200000 | awk '{ printf "%d 170000\n", 100000 + $1 % 50000 }' > "$work/many.txt"
lines=$("$cli" convert --from "BE LB72" --to "BE UTM" < "$work/many.txt" | wc -l)
[ "$lines" = 200000 ] || { echo "FAIL stream: $lines lines"; failures=$((failures + 1)); }

[ "$failures" = 0 ] && echo "all command-line checks passed"
exit "$failures"
