#!/usr/bin/env bash
# Runs the end-to-end driver against the real Install.exe of a Windows build
# folder, under Wine on a private X display (Xvfb) inside a 1024 x 768 Wine
# desktop, and leaves the screenshots in BUILD/e2e/screens.
#   run-e2e.sh BUILD_DIR
# The Wine prefix is the build folder's own (BUILD/e2e/prefix), made on first
# use with Wine's fonts (Tahoma, MS Sans Serif) in its Fonts folder, as a
# Windows installation has them. Exit status 0 when every check passed.
set -euo pipefail
build=$(cd "${1:?usage: run-e2e.sh BUILD_DIR}" && pwd)
exe=$build/Install.exe
driver=$build/wizdriver.exe
[ -f "$exe" ] && [ -f "$driver" ] || { echo "run-e2e: $exe or $driver is missing" >&2; exit 2; }

pe_offset=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
case $(od -An -tx2 -j$((pe_offset + 4)) -N2 "$exe" | tr -d ' ') in
  014c) loader=/usr/lib/wine/wine; export WINEARCH=win32 ;;
  8664) loader=/usr/lib/wine/wine64; export WINEARCH=win64 ;;
  *) echo "run-e2e: $exe is not a Windows program" >&2; exit 2 ;;
esac
export WINELOADER=$loader
export WINEPREFIX=$build/e2e/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
export HOME=$build/e2e/home
mkdir -p "$HOME" "$build/e2e/screens"
rm -f "$build"/e2e/screens/*.png "$build/e2e/screens/result.txt"

# A display of our own: the first free number from 90 up.
for n in $(seq 90 120); do [ -e /tmp/.X$n-lock ] || { display=:$n; break; }; done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run-e2e: making the Wine prefix (about 20 s)"
  "$loader" wineboot --init >/dev/null 2>&1 || true
  wineserver -w || true
fi
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true

win() { echo "Z:${1//\//\\}"; }
echo "run-e2e: driving $(win "$exe") on $display"
timeout 240 "$loader" explorer /desktop=VelmorakE2E,1024x768 "$(win "$driver")" "$(win "$exe")" \
  "$(win "$build/e2e/screens")" >/dev/null 2>&1 || true
wineserver -w || true

cat "$build/e2e/screens/driver.log" 2>/dev/null || echo "run-e2e: the driver wrote no log"
echo "run-e2e: screenshots in $build/e2e/screens"
result=$(cat "$build/e2e/screens/result.txt" 2>/dev/null || echo "0 passed, 1 failed")
echo "$result"
[[ $result == *" 0 failed" ]]
