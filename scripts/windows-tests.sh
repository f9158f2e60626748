#!/usr/bin/env bash
# Builds the Windows parts and runs their tests under wine; installs what it needs when it is
# missing. With --install-only it stops after the installs.
#
# Two builds from the same sources: preset "windows" is the program's own platform, 32-bit
# Windows (PE32); preset "windows64" is the same code as 64-bit Windows (PE32+), and that is the
# build the tests run in. These machines' kernels run no 32-bit code (their IA-32 emulation is
# switched off), so 32-bit wine cannot start here; 64-bit wine runs the same Windows API.
set -euo pipefail
cd "$(dirname "$0")/.."

# --- Packages -----------------------------------------------------------------------------------
packages=(
  wine wine64 fonts-wine
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  googletest cmake ninja-build file
  xvfb xauth
)

bash scripts/ensure-packages.sh "${packages[@]}"
[[ "${1:-}" == "--install-only" ]] && exit 0

# --- Builds ---------------------------------------------------------------------------------------
for preset in windows windows64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
for exe in build/windows/tests/*/*_tests.exe; do
  if ! file "$exe" | grep -q 'PE32 executable (console) Intel 80386'; then
    echo "$exe is not a 32-bit Windows program: $(file -b "$exe")" >&2
    exit 1
  fi
done

# --- Wine ----------------------------------------------------------------------------------------
build=build/windows64
export WINEPREFIX="$PWD/$build/wineprefix"
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no offer to install .NET or the HTML engine
export LANG=C.UTF-8                         # the ANSI code page follows it
unset DISPLAY http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
wineserver=/usr/lib/wine/wineserver64
logs="$build/wine-logs"
mkdir -p "$logs"

# The prefix's wine server keeps running after a program ends, and `timeout` does not reach
# it: end it on every way out.
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT

# A persistent server started here, its output in a file, so that no test's output pipe is
# held open by it.
mkdir -p "$WINEPREFIX"
timeout 60 "$wineserver" -p >"$logs/wineserver.log" 2>&1
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "Making the wine prefix $WINEPREFIX"
  timeout 300 "$WINELOADER" wineboot -i >"$logs/wineboot.log" 2>&1 </dev/null ||
    { cat "$logs/wineboot.log" >&2; exit 1; }
fi

# --- Tests ---------------------------------------------------------------------------------------
failed=0
passed_tests=0
failed_tests=0
for exe in "$build"/tests/*/*_tests.exe; do
  name=$(basename "$exe" .exe)
  log="$logs/$name.log"
  echo "== $name (under wine)"
  status=0
  timeout -k 10 180 "$WINELOADER" "$exe" >"$log" 2>&1 </dev/null || status=$?
  if [[ $status -eq 0 ]] && grep -q '^\[  PASSED  \]' "$log" && ! grep -q '^\[  FAILED  \]' "$log"; then
    grep -E '^\[==========\] .* ran|^\[  PASSED  \]' "$log"
    passed_tests=$((passed_tests + $(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log")))
  else
    cat "$log"
    [[ $status -eq 124 || $status -eq 137 ]] && echo "$name did not finish within 180 s" >&2
    echo "$name failed (exit status $status)" >&2
    failed=1
    failed_tests=$((failed_tests + 1))
  fi
done
echo "windows: $passed_tests passed, $failed_tests failed"
exit $failed
