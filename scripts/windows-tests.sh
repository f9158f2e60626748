#!/usr/bin/env bash
# Builds the Windows parts (preset "windows": 32-bit, cross-compiled with MinGW-w64) and runs
# their tests under wine. Installs what it needs when it is missing. With --install-only it
# stops after the installs.
set -euo pipefail
cd "$(dirname "$0")/.."

# --- Packages -----------------------------------------------------------------------------------
packages=(wine wine32:i386 g++-mingw-w64-i686 fonts-wine xvfb xauth googletest cmake ninja-build)

installed() {
  local status
  status=$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]]
}

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
apt_get() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 "$@"
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [[ ${#missing[@]} -gt 0 ]]; then
  if ! command -v apt-get >/dev/null 2>&1; then
    echo "Missing packages: ${missing[*]}; this script installs them only on Debian." >&2
    exit 1
  fi
  if [[ ${#sudo_cmd[@]} -gt 0 ]] && ! command -v sudo >/dev/null 2>&1; then
    echo "Need root or sudo to install: ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  apt_get update -qq
  apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[[ "${1:-}" == "--install-only" ]] && exit 0
