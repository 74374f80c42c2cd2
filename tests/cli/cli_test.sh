#!/usr/bin/env bash
# travena-cli's own handling, under the classic and a French locale: options,
# line ends, exit statuses and streams. Conversions are pinned by identical_test.sh.
# usage: cli_test.sh path/to/travena-cli path/to/tests/data
set -u
cli=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Perl regex against a whole file: ^ is its start, $ its end.
matches() { RE=$1 perl -e 'local $/; my $t = <STDIN> // ""; exit($t =~ /$ENV{RE}/ ? 0 : 1)' < "$2"; }

# check NAME EXPECTED_STATUS STDOUT_REGEX STDERR_REGEX -- ARGS...: stdin from $input or the file
# $from (from=closed: no stdin at all), stdout to a file whose regex is checked, or to $to unchecked.
check() {
    local name=$1 status=$2 out_re=$3 err_re=$4; shift 5
    printf '%s' "$input" > "$work/in"
    if [ "${from:-}" = closed ]; then
        "$cli" "$@" <&- > "${to:-$work/out}" 2> "$work/err"
    else
        "$cli" "$@" < "${from:-$work/in}" > "${to:-$work/out}" 2> "$work/err"
    fi
    local got=$?
    if [ "$got" != "$status" ] || { [ -z "${to:-}" ] && ! matches "$out_re" "$work/out"; } || ! matches "$err_re" "$work/err"; then
        echo "FAIL $name: status $got (want $status)"; echo "-- stdout:"; cat "$work/out"; echo "-- stderr:"; cat "$work/err"
        failures=$((failures + 1))
    fi
}

input=$'4,3517;50,8466\r\n4.3517 50.8466\r'
check comma_crlf_cr 0 '^(148799\.08\d*\t170688\.56\d*\n){2}$' '^$' -- \
    convert --from "W Geographic WGS84" --to "BE LB72" --method=3

# Output that cannot be written, input that cannot be read: a message and a failure status.
input=$'2500 257500\n'
full='^travena-cli : écriture impossible : Aucun espace disponible sur le disque\.?\n$'  # said once
to=/dev/full check full_disk_convert 1 '' "$full" -- convert --from "BE LB72" --to "BE IFBL"
to=/dev/full check full_disk_systems 1 '' "$full" -- systems
to=/dev/full check full_disk_table 1 '' "$full" -- table --row 8 150000 170000
from=$work check unreadable_input 1 '^$' "^travena-cli : lecture de l'entrée impossible" -- convert --from "BE LB72" --to "BE IFBL"
from=closed check closed_input 1 '^$' "^travena-cli : lecture de l'entrée impossible : Fichier non ouvert" -- convert --from "BE LB72" --to "BE IFBL"
to=/dev/full check full_disk_help 1 '' "$full" -- --help
to=/dev/full check full_disk_version 1 '' "$full" -- --version
to=/dev/full check full_disk_command_help 1 '' "$full" -- batch --help

# Points outside a formula's domain fail alone, with their line number, rather than drift.
input=$'800000 5500000 31\n900000 5500000 31\n500000 -5 31\n'
check tm_domain 1 '^\S+\t\S+\n\*\t\*\n\*\t\*\n$' \
    '^Ligne 2 : point à 5\.53° de longitude du méridien central, hors du domaine de la projection \(4\.8° de longitude au plus\)\.\nLigne 3 : N = -5 m : .*hémisphère nord.*\n$' \
    -- convert --from "WGS84 UTM" --to "W Geographic WGS84"
input=$'-200 50\n-180 50\n'
check longitude_range 1 '^\*\t\*\t\*\n\S+\t\S+\t1\n$' '^Ligne 1 : longitude hors de -180 à 360° : -200°\.\n$' \
    -- convert --from "W Geographic WGS84" --to "WGS84 UTM"

input=$'1 2\n'
check unknown_system 2 '^$' 'système inconnu' -- convert --from "XX NOPE" --to "BE LB72"
check missing_params 2 '^$' 'introuvable' -- convert --from "BE LB72" --to "BE UTM" --params "$work/none.mdb"
test ! -e "$work/none.mdb" || { echo "FAIL missing_params created the file"; failures=$((failures + 1)); }
check bad_method 2 '^$' 'method' -- convert --from "BE LB72" --to "BE UTM" --method 5

# Method 4: the IGN grid (cs2cs EPSG:31370 EPSG:3812 gives 649999.7200 670000.5368); a point outside
# it is converted by Helmert and named on standard error, the status unchanged.
input=$'150000 170000\n150000 400000\n'
check grid_fallback 0 '^649999\.7[12]\d*\t670000\.53\d*\n649972\.32\d*\t899998\.56\d*\n$' \
    '^Ligne 2 : hors de la grille IGN, Helmert 7 paramètres\n$' -- convert --from "BE LB72" --to "BE LB08" --method 4
# Heights through hBG18 (cs2cs EPSG:4937 EPSG:5710: 50.85 4.35 100 -> 57.1517); a point outside the
# model gets * for its height, a message and status 1, its coordinates converted; H -> h -> H returns.
input=$'4.35 50.85 100\n4.0 53.0 10\n'
check height_h_to_H 1 '^148679\.41\d*\t171066\.69\d*\t57\.151[67]\d*\n125218\.38\d*\t410424\.26\d*\t\*\n$' \
    '^Ligne 2 : hors de la grille IGN, Helmert 7 paramètres\nLigne 2 : hors du modèle hBG18 \(Belgique\), pas de hauteur\.\n$' \
    -- convert --from "W Geographic WGS84" --to "BE LB72" --method 4 --height h:H
input=$'4.35 50.85 57.1517\n'
"$cli" convert --from "W Geographic WGS84" --to "BE LB72" --height H:h < <(printf '%s' "$input") | cut -f1,2 --complement |
    LC_ALL=C awk '{ if ($1 < 99.9999 || $1 > 100.0001) { print "FAIL height_round_trip: " $1; exit 1 } }' || failures=$((failures + 1))
printf 'id\tx\ty\tz\n1\t4.35\t50.85\t100\n' > "$work/z.txt"
check batch_height 0 'succès' '^$' -- batch --in "$work/z.txt" --x x --y y --z z --geo deg \
    --from "W Geographic WGS84" --to "BE LB72" --out "$work/z_out.txt" --no-quote
matches $'^id\tx\ty\tz\tX_BE_LB72\tY_BE_LB72\tH_DNG\n1\t.*\t57\\.151[67]\\d*\n$' "$work/z_out.txt" ||
    { echo "FAIL batch_height: $(cat "$work/z_out.txt")"; failures=$((failures + 1)); }
input=$'1 2\n'
check height_bad_kind 2 '^$' 'valeur incorrecte pour --height' -- convert --from "BE LB72" --to "BE UTM" --height h:x
input=''
check grid_table_outside 0 'Méthode : grille IGN \(NTv2\) \(± 0,01 m en Belgique\)\nPoint hors de la grille IGN : BD72 par Helmert 7 paramètres \(± 0,2 m\)\n$' \
    '^$' -- table --row 0 --method 4 4.0 53.0
check grid_table_inside 0 '\n-\tMéthode : grille IGN|Méthode : grille IGN \(NTv2\) \(± 0,01 m en Belgique\)\n$' \
    '^$' -- table --row 8 --method 4 150000 170000
check unknown_option 2 '^$' 'option inconnue' -- convert --from "BE LB72" --to "BE UTM" --speed 9
check missing_value 2 '^$' 'valeur manquante après --to' -- convert --from "BE LB72" --to
check no_command 2 '^$' 'commande manquante' --
for command in convert batch table systems; do
    check "help_$command" 0 "^Usage :\n  travena-cli $command " '^$' -- "$command" --help
done

input=''
check systems 0 '^WGS84 UTM\n(.*\n)*W Geographic WGS84\n(.*\n)*W MGRS\n(.*\n)*BE IFBL\n$' '^$' -- systems
check systems_proj 0 '^(WGS84 UTM\t\+proj=utm \+zone=\d+ .*\n){60}(.*\n)*BE LB72A\t\+proj=lcc .*\n(.*\n)*BE IFBL\t\n$' '^$' -- systems --proj
check systems_proj_molodensky 2 '^$' 'Molodensky' -- systems --proj --method 2

# batch: the options reach the run; a refusal or failure leaves nothing.
printf 'id;x;y\r\n1;148679,447;171066,810\r\n2;152357,483;212161,981\r\n' > "$work/pts.txt"
check batch_excel_rounded 0 'succès' '^$' -- batch --in "$work/pts.txt" --in-delim ';' --x x --y y \
    --from "BE LB72" --to "BE Geographic ED50" --excel --precision 0.001 --out "$work/excel.csv"
matches '^\xEF\xBB\xBF"id";"x";"y";"BE_Long";"BE_Lat"\n"1";"148679,447";"171066,810";"4,\d{1,6}";"50,\d{1,6}"\n' \
    "$work/excel.csv" || { echo "FAIL batch_excel_rounded output:"; cat "$work/excel.csv"; failures=$((failures + 1)); }
check batch_mdb 0 'succès' '^$' -- batch --in "$work/pts.txt" --in-delim ';' --x x --y y \
    --from "BE LB72" --to "W Geographic WGS84" --out "$work/out.mdb"
# One overwrite rule for every kind: refused before anything is read, replaced with --overwrite.
for kind in mdb txt; do
    echo previous > "$work/old.$kind"
    check batch_${kind}_exists 2 '^$' "^Le fichier « $work/old\\.$kind » existe déjà : --overwrite le remplace\\.\n\$" -- \
        batch --in "$work/pts.txt" --in-delim ';' --x x --y y --from "BE LB72" --to "W Geographic WGS84" --out "$work/old.$kind"
    grep -qx previous "$work/old.$kind" || { echo "FAIL $kind replaced without --overwrite"; failures=$((failures + 1)); }
    check batch_${kind}_overwrite 0 'succès' '^$' -- batch --in "$work/pts.txt" --in-delim ';' --x x --y y \
        --from "BE LB72" --to "W Geographic WGS84" --out "$work/old.$kind" --overwrite
    ! grep -qx previous "$work/old.$kind" || { echo "FAIL $kind kept with --overwrite"; failures=$((failures + 1)); }
done
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
mkdir "$work/dbase" && cp "$data/dbase/points.dbf" "$work/dbase/"
check keep_going_dbase 1 '^Conversion terminée : 19 enregistrement\(s\) converti\(s\), 1 en échec' \
    '^Enregistrement 7 : 94 champ « X »' -- batch --in "$work/dbase" --table points --x X --y Y --zone ZONE \
    --from "WGS84 UTM" --to "W MGRS" --out "$work/dbase.txt" --no-quote --keep-going

# The method of each record in « Méthode », and the records outside the grid counted.
printf 'id\tx\ty\n1\t150000\t170000\n2\t150000\t400000\n' > "$work/grid.txt"
check batch_method_column 0 'succès' '^1 enregistrement\(s\) hors de la grille IGN, Helmert 7 paramètres\.\n$' -- \
    batch --in "$work/grid.txt" --x x --y y --from "BE LB72" --to "BE LB08" --out "$work/grid_out.txt" \
    --no-quote --method 4 --method-column
matches $'^id\tx\ty\tX_BE_LB08\tY_BE_LB08\tMéthode\n1\t.*\tgrille IGN \\(NTv2\\)\n2\t.*\tHelmert 7 paramètres\n$' \
    "$work/grid_out.txt" || { echo "FAIL batch_method_column: $(cat "$work/grid_out.txt")"; failures=$((failures + 1)); }

# Input longer than one read and one round of lines: no line lost or split.
seq 200000 | awk '{ printf "%d 170000\n", 100000 + $1 % 50000 }' > "$work/many.txt"
lines=$("$cli" convert --from "BE LB72" --to "BE UTM" < "$work/many.txt" | grep -c $'^[0-9.]*\t[0-9.]*\t31$')
[ "$lines" = 200000 ] || { echo "FAIL stream: $lines lines"; failures=$((failures + 1)); }

[ "$failures" = 0 ] && echo "all command-line checks passed"
exit "$failures"
