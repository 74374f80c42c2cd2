#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each on its seeds (fuzz/seeds and the
# test files), keeping what each finds in BUILD/fuzz-corpus. Fails when any
# target reports a finding; the input is left in BUILD/fuzz-findings.
# Usage: fuzz/run.sh BUILD SECONDS
set -u
build=${1:?build folder}
seconds=${2:?seconds per target}
here=$(cd "$(dirname "$0")" && pwd)
data=$here/../tests/data
corpus=$build/fuzz-corpus
findings=$build/fuzz-findings
mkdir -p "$findings"

# seed TARGET FILE...: copies each file into the target's corpus once.
seed() {
    local target=$1
    shift
    mkdir -p "$corpus/$target"
    for f in "$@"; do cp -n "$f" "$corpus/$target/" 2>/dev/null || true; done
}
seed fuzz_angle_text "$here"/seeds/angle_text/*
seed fuzz_grid_text "$here"/seeds/grid_text/*
seed fuzz_convert_line "$here"/seeds/convert_line/*
seed fuzz_cell_values "$here"/seeds/cell_values/*
seed fuzz_mdb "$data/access/overflowTestV1997.mdb" "$here"/seeds/mdb/*
seed fuzz_xls "$data/coords.xls" "$data/hostile/coords_damaged.xls"
seed fuzz_dbf "$data/dbase/points.dbf" "$here"/seeds/dbf/*
seed fuzz_xlsx "$data/coords.xlsx"
seed fuzz_xlsx_reader "$here"/seeds/xlsx_reader/*
seed fuzz_ods "$data/coords.ods"
seed fuzz_gpkg "$data/coords.gpkg"
# Text files behind a first byte that picks their delimiter: 0 tab, 2 semicolon.
mkdir -p "$corpus/fuzz_text_import"
for f in "$data"/text/*.txt; do
    for b in 0 2; do
        out=$corpus/fuzz_text_import/$b-$(basename "$f")
        [ -e "$out" ] || { printf "\\x0$b"; cat "$f"; } > "$out"
    done
done

# Leaks inside the file-reading libraries are suppressed, as in the sanitizer tests.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/../tests/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# These targets reach C libraries built without frame pointers (libmdb, FreeXL,
# GDAL). The fast unwinder loses their frames at the first libc call below them
# (vasprintf under g_strdup_printf), so a leak of theirs escapes the
# suppressions by library and is reported as ours: unwind fully there.
full_unwind=" fuzz_mdb fuzz_xls fuzz_ods fuzz_gpkg "

failed=()
for target in fuzz_angle_text fuzz_grid_text fuzz_convert_line fuzz_text_import fuzz_cell_values fuzz_mdb fuzz_xls fuzz_dbf fuzz_xlsx fuzz_xlsx_reader fuzz_ods fuzz_gpkg; do
    echo "== $target, ${seconds} s"
    # Inputs that crash the child checking a file are refused files, not
    # findings: only this process's exit status counts.
    options=$ASAN_OPTIONS
    [[ $full_unwind == *" $target "* ]] && options+=:fast_unwind_on_malloc=0
    if ! ASAN_OPTIONS=$options "$build/bin/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=70000 \
            -print_final_stats=1 -artifact_prefix="$findings/$target-" "$corpus/$target" \
            > "$build/$target.log" 2>&1; then
        failed+=("$target")
        # The sanitizer's report first: the libraries' own dumps can fill the tail.
        sed -n '/ERROR: [A-Za-z]*Sanitizer\|runtime error:/,/^SUMMARY/p' "$build/$target.log" | head -n 80
        tail -n 8 "$build/$target.log"
    else
        grep -E '^(stat::number_of_executed_units|Done)' "$build/$target.log" | tail -n 1
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings: ${failed[*]} (inputs in $findings)" >&2
    exit 1
fi
echo "No finding."
