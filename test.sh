#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test headless, the
# Windows parts' tests under wine last.
set -euo pipefail
cd "$(dirname "$0")"

bash scripts/ensure-packages.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset test
cmake --build --preset test
ctest --preset test "$@"
# The Windows parts, cross-built and run under wine; the script installs what it needs.
bash scripts/windows-tests.sh
