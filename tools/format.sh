#!/usr/bin/env bash
# Formats the C++ sources git tracks with the .clang-format beside this
# folder, or with --check only lists the files that would change and how many
# lines, failing when there is any. Usage: tools/format.sh [--check] [FILE...]
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format)}
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
if [ "$#" -gt 0 ]; then files=("$@"); else mapfile -t files < <(git ls-files '*.cpp' '*.h'); fi
if [ "$check" = 0 ]; then
    "$CLANG_FORMAT" -i --style=file "${files[@]}"
    exit 0
fi
bad=0 lines=0
for f in "${files[@]}"; do
    n=$("$CLANG_FORMAT" --style=file "$f" | diff "$f" - | grep -c '^<' || true)
    if [ "$n" -gt 0 ]; then
        echo "$f: $n line(s) to reformat"
        bad=$((bad + 1)) lines=$((lines + n))
    fi
done
if [ "$bad" -gt 0 ]; then
    echo "$bad file(s), $lines line(s) not formatted: run tools/format.sh (or make format)."
    exit 1
fi
echo "Formatted."
