#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")"

bash scripts/ensure-packages.sh
cmake --preset run
cmake --build --preset run

if [[ ! -x build/run/app/vexmora ]]; then
  echo "The libraries are built; the Vexmora window itself is not built yet, so there is nothing to start."
  exit 0
fi
exec build/run/app/vexmora "$@"
