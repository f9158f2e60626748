#!/usr/bin/env bash
# Checks of the installed files and of the Debian package, run by CTest (label "package").
#   check_package.sh validate BUILD_DIR   install into a scratch folder; validate the desktop
#                                         entry and the AppStream metadata
#   check_package.sh deb BUILD_DIR VERSION
#                                         make the package with cpack; lintian reports no
#                                         error; it holds exactly what cmake --install installs
set -euo pipefail

mode=$1
build=$(cd "$2" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vexmora-package-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The files `cmake --install` puts under /usr, one path a line, sorted.
install_to() {
  DESTDIR="$1" cmake --install "$build" --prefix /usr >"$scratch/install.log" ||
    { cat "$scratch/install.log"; fail "cmake --install"; }
}

installed_files() {
  (cd "$1" && find . ! -type d | sed 's|^\./|/|' | LC_ALL=C sort)
}

case $mode in
validate)
  root=$scratch/root
  install_to "$root"
  desktop=$root/usr/share/applications/com.vexmora.Client.desktop
  metainfo=$root/usr/share/metainfo/com.vexmora.Client.metainfo.xml
  for f in "$desktop" "$metainfo" "$root/usr/bin/vexmora" \
    "$root/usr/share/icons/hicolor/48x48/apps/vexmora.png"; do
    [[ -f $f ]] || fail "not installed: ${f#"$root"}"
  done
  echo "desktop-file-validate ${desktop#"$root"}"
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  echo "appstreamcli validate --no-net ${metainfo#"$root"}"
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
  ;;
deb)
  version=${3:?the program version}
  arch=$(dpkg --print-architecture)
  (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" \
    >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack -G DEB"; }
  deb=$scratch/out/vexmora_${version}_${arch}.deb
  [[ -f $deb ]] || { ls -l "$scratch/out"; fail "no package named ${deb##*/}"; }
  echo "made ${deb##*/}"
  [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "the package's Version is not $version"

  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for lib in libc6 libcurl4 libqt6widgets6; do
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib"
  done

  install_to "$scratch/root"
  installed_files "$scratch/root" >"$scratch/installed.txt"
  dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./|/|' | LC_ALL=C sort \
    >"$scratch/packaged.txt"
  diff -u "$scratch/installed.txt" "$scratch/packaged.txt" ||
    fail "the package does not hold exactly what cmake --install installs (- installed, + packaged)"
  if grep -q service-sim "$scratch/packaged.txt"; then fail "the service stand-in is in the package"; fi

  echo "lintian ${deb##*/}"
  lintian_flags=()
  [[ $(id -u) -eq 0 ]] && lintian_flags+=(--allow-root)
  status=0
  lintian "${lintian_flags[@]}" "$deb" >"$scratch/lintian.txt" 2>&1 || status=$?
  cat "$scratch/lintian.txt"
  if grep -q '^E: ' "$scratch/lintian.txt"; then fail "lintian reports errors"; fi
  [[ $status -eq 0 ]] || fail "lintian failed (exit status $status)"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
echo "passed: $mode"
