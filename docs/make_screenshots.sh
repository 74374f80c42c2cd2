#!/usr/bin/env bash
# Renders the main window after a Calc into docs/main_window.png, offscreen,
# as a 120 dpi screen shows it (125 % scale).
# usage: docs/make_screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target travena_screenshot
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1.25 "$build/bin/travena_screenshot" docs/main_window.png
echo "docs/main_window.png"
