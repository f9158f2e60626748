#!/usr/bin/env bash
# Prints every figure of the program beside its floor, one line each (see bench/ratios.cpp):
# store, markup filter and page fetch, then the start-up of VEXMORA (default
# build/test/app/vexmora) against a bare Qt dialog program on a private Xvfb display.
# Usage: bench/ratios.sh [VEXMORA] [REPETITIONS]   (after building the "test" preset)
set -euo pipefail
cd "$(dirname "$0")/.."

vexmora=${1:-build/test/app/vexmora}
repetitions=${2:-21}
bench=build/test/bench

"$bench/vexmora_ratios" "$repetitions"

if [[ ! -x "$vexmora" ]]; then
  echo "Start-up to the main window shown: skipped, no vexmora executable at $vexmora"
  exit 0
fi
if [[ ! -x "$bench/vexmora_startup_probe" ]]; then
  echo "Start-up to the main window shown: skipped, the probe was not built (no Xlib headers)"
  exit 0
fi
if ! command -v Xvfb >/dev/null 2>&1; then
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  echo "Installing: xvfb"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends xvfb
fi

# A display number nobody uses, a server of our own, stopped by its PID whatever happens.
display=90
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
scratch=$(mktemp -d)
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [[ -e /tmp/.X11-unix/X$display ]] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start:"; cat "$scratch/xvfb.log"; exit 1; }
  sleep 0.05
done

# Both programs start as a user's would, with an empty configuration of their own.
mkdir -p "$scratch/config" "$scratch/runtime"
chmod 700 "$scratch/runtime"
env -u QT_QPA_PLATFORM DISPLAY=":$display" XDG_CONFIG_HOME="$scratch/config" \
  XDG_RUNTIME_DIR="$scratch/runtime" \
  "$bench/vexmora_startup_probe" "$(realpath "$vexmora")" "$(realpath "$bench/vexmora_startup_floor")" \
  "$repetitions"
