#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when any is missing;
# with package names as arguments, those instead. Run by run.sh, test.sh and
# windows-tests.sh; quiet when everything is present.
set -euo pipefail

packages=("$@")
[[ ${#packages[@]} -gt 0 ]] || packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-qpa-plugins
  libcurl4-openssl-dev libcpp-httplib-dev
  fonts-dejavu-core xdg-utils
  libcanberra-dev libfontconfig-dev
  xvfb xauth openbox xdotool xclip x11-utils
  nlohmann-json3-dev
  desktop-file-utils appstream lintian dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
  echo "Missing packages: ${missing[*]}; this script installs them only on Debian (apt-get)." >&2
  exit 1
fi
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null 2>&1 || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
"${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
  "${missing[@]}"
