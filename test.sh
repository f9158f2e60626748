#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"

bash scripts/ensure-packages.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset test
cmake --build --preset test
ctest --preset test "$@"
