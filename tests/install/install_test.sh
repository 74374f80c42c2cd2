#!/usr/bin/env bash
# The installed program as a new user meets it: install into a temporary
# DESTDIR, run the installed travena-cli with HOME on an empty folder (its
# personal copy of the parameter database appears, a second run reuses it,
# the read-only shipped file is never written), then check the menu entry,
# the manual pages and the completion.
# usage: install_test.sh CMAKE BUILD_DIR
set -u
cmake=$1
build=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

dest=$work/dest
DESTDIR=$dest "$cmake" --install "$build" --prefix /usr > "$work/install.log" || { cat "$work/install.log"; exit 1; }
usr=$dest/usr
shipped=$usr/share/travena/SystGéo.mdb
for f in bin/travena bin/travena-cli share/travena/SystGéo.mdb share/travena/docs/index.html \
    share/travena/be_ign_bd72lb72_etrs89lb08.tif share/travena/be_ign_hBG18.tif share/travena/be_ign_README.txt \
    share/applications/travena.desktop share/icons/hicolor/scalable/apps/travena.svg \
    share/icons/hicolor/48x48/apps/travena.png share/man/man1/travena.1.gz share/man/man1/travena-cli.1.gz \
    share/bash-completion/completions/travena-cli share/doc/travena/copyright share/doc/travena/changelog.gz; do
    [ -f "$usr/$f" ] || fail "not installed: /usr/$f"
done
[ -f "$usr/lib/travena/libtravena_gdal.so" ] || fail "not installed: /usr/lib/travena/libtravena_gdal.so"
# Nothing of the build tree beside the installed executables.
[ -z "$(ls "$usr/bin" | grep -v '^travena\(-cli\)\?$')" ] || fail "extra files in /usr/bin: $(ls "$usr/bin")"

# The package installs the shipped file read-only for users.
chmod a-w "$shipped" "$(dirname "$shipped")"
before=$(sha256sum < "$shipped")

home=$work/home
mkdir "$home"
cli() { env -u XDG_DATA_HOME HOME="$home" "$usr/bin/travena-cli" "$@"; }
point() { echo "150000 170000" | "$@" convert --from "BE LB72" --to "W Geographic WGS84"; }
copy=$home/.local/share/travena/SystGéo.mdb

expected=$(point "$build/bin/travena-cli")
[ "$(point cli 2> "$work/err")" = "$expected" ] || fail "installed convert: $(cat "$work/err")"
[ -s "$work/err" ] && fail "installed convert wrote on standard error: $(cat "$work/err")"
cmp -s "$copy" "$shipped" || fail "no personal copy of the shipped database at $copy"
stamp=$(stat -c '%i %Y' "$copy")
point cli > /dev/null
[ "$(stat -c '%i %Y' "$copy")" = "$stamp" ] || fail "the second run did not reuse the copy"
cli --version | grep -qF "Base de paramètres : $copy (copie personnelle de $shipped)" ||
    fail "travena-cli --version: $(cli --version)"
env -u XDG_DATA_HOME HOME="$home" "$usr/bin/travena" --version | grep -qF "$copy" ||
    fail "travena --version does not name the copy"
# XDG_DATA_HOME, when set, is where the copy goes; --params still overrides.
XDG_DATA_HOME=$work/xdg HOME="$home" "$usr/bin/travena-cli" systems > /dev/null
[ -f "$work/xdg/travena/SystGéo.mdb" ] || fail "no copy under XDG_DATA_HOME"
# --params still chooses the file, and no copy is made for it.
mkdir "$work/home2"
echo "150000 170000" | HOME=$work/home2 "$usr/bin/travena-cli" convert --from "BE LB72" --to "BE IFBL" \
    --params "$build/bin/SystGéo.mdb" > /dev/null 2> "$work/err" || fail "--params: $(cat "$work/err")"
[ -z "$(ls -A "$work/home2")" ] || fail "--params made a copy: $(find "$work/home2")"
[ "$(sha256sum < "$shipped")" = "$before" ] || fail "the shipped database was written"

# The installed Python module takes the user's copy, as travena-cli does.
modules=$usr/lib/python3/dist-packages
if [ -f "$modules/travena/__init__.py" ]; then
    got=$(cd "$work" && env -u XDG_DATA_HOME HOME="$home" PYTHONPATH="$modules" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -c '
import travena
c = travena.Converter("BE LB72", "W Geographic WGS84")
lon, lat, _, _ = c.convert([150000.0], [170000.0])
print(travena.default_params()); print(f"{lon[0]!r}\t{lat[0]!r}")' 2> "$work/err")
    [ "$got" = "$copy"$'\n'"$expected" ] || fail "installed Python module: $got $(cat "$work/err")"
fi

# The GDAL module is found from the installed executable: a workbook is written.
printf 'id\tx\ty\n1\t150000\t170000\n' > "$work/pts.txt"
cli batch --in "$work/pts.txt" --x x --y y --from "BE LB72" --to "WGS84 UTM" --out "$work/pts.xlsx" \
    > "$work/out" 2>&1 || fail "installed batch to .xlsx: $(cat "$work/out")"

desktop-file-validate "$usr/share/applications/travena.desktop" > "$work/desktop" 2>&1 ||
    fail "desktop-file-validate: $(cat "$work/desktop")"
for page in travena travena-cli; do
    gz=$usr/share/man/man1/$page.1.gz
    warnings=$(zcat "$gz" | LC_ALL=C.UTF-8 groff -man -z -ww -K utf8 2>&1)
    [ -z "$warnings" ] || fail "groff on $page.1: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$gz" 2> "$work/man" | grep -q "^SYNOPSIS" || fail "man -l $page.1: $(cat "$work/man")"
done

# Completion through bash-completion, on the installed program: commands,
# options, and system names escaped for the shell.
completion=$(PATH=$usr/bin:$PATH HOME=$home bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    try() {  # the words as bash gives them, the last one being completed
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        COMPREPLY=(); _travena_cli; echo "$COMP_LINE=${COMPREPLY[*]}"
    }
    try travena-cli conv; try travena-cli convert --me; try travena-cli convert --geo d
    try travena-cli batch --in-delim t; try travena-cli convert --from "BE\ LB7"
' _ "$usr/share/bash-completion/completions/travena-cli" 2>&1)
lb7=$(cli systems | grep '^BE LB7' | sed 's/ /\\ /g' | tr '\n' ' ')
expected_completion="travena-cli conv=convert
travena-cli convert --me=--method
travena-cli convert --geo d=dms deg ddmmss
travena-cli batch --in-delim t=tab
travena-cli convert --from BE\\ LB7=${lb7% }"
[ "$completion" = "$expected_completion" ] || fail "completion:
$completion
expected:
$expected_completion"

[ "$failures" = 0 ] && echo "Installed program passes."
exit "$failures"
