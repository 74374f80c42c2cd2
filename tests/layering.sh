#!/usr/bin/env bash
# Fails when an include runs up the layers: base < store < core < app < ui,
# with cli beside ui over app, the library lib/ beside them, and the Python
# module python/ over the library's public headers alone. Usage: layering.sh SOURCE_DIR
set -u
cd "${1:-.}" || exit 2

fail=0
# wrong LAYER PATTERN WHY: every #include line under LAYER matching PATTERN.
wrong() {
    local layer=$1 pattern=$2 why=$3 hits
    [ -d "$layer" ] || return 0
    hits=$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*$pattern" "$layer")
    if [ -n "$hits" ]; then
        printf '%s\n%s\n\n' "$why" "$hits"
        fail=1
    fi
}

wrong base  '"(store|core|app|ui|cli)/' "base/ includes nothing of the project:"
wrong store '"(core|app|ui|cli)/'       "store/ includes only base/ and itself:"
wrong core  '"(app|ui|cli)/'            "core/ includes only base/ and store/:"
wrong app   '"(ui|cli)/'                "app/ never includes ui/ or cli/:"
wrong cli   '"ui/'                      "cli/ never includes ui/:"
wrong lib   '"(ui|cli)/'                "lib/ never includes ui/ or cli/:"
wrong python '"(base|store|core|app|ui|cli|lib)/' "python/ includes only the public travena/ headers:"
for layer in base store core app cli lib python; do
    wrong "$layer" '<Q' "$layer/ is Qt-free:"
done
# Inside the batch logic the run sits over the readers and writers it drives.
for low in app/batch/InputFormat app/batch/Output app/batch/TextImport app/batch/SystemChoice; do
    hits=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"app/batch/(BatchRun|OuvrirModel)\.h"' "$low".h "$low".cpp 2>/dev/null)
    if [ -n "$hits" ]; then
        printf '%s\n%s\n\n' "$low never includes the run or the window over it:" "$hits"
        fail=1
    fi
done
for layer in base core app ui cli lib python data bench tests/core tests/batch tests/ui tests/lib; do
    wrong "$layer" '"store/detail/' "store/detail/ is private to the store:"
done

[ "$fail" = 0 ] && echo "Layers in order."
exit "$fail"
