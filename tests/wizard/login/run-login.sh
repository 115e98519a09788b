#!/usr/bin/env bash
# Runs the login box scenarios of login_driver under Wine on a private X
# display: makes the enciphered file with the probe, then drives the probe.
# The box's screenshot lands in BUILD/e2e/login/.
#   run-login.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: run-login.sh BUILD_DIR}" && pwd)
bin=$build/tests/wizard
out=$build/e2e/login
mkdir -p "$out"
case $(od -An -tx2 -j$(($(od -An -tu4 -j60 -N4 "$bin/login_probe.exe" | tr -d ' ') + 4)) -N2 \
  "$bin/login_probe.exe" | tr -d ' ') in
  014c) loader=/usr/lib/wine/wine; export WINEARCH=win32 ;;
  *) loader=/usr/lib/wine/wine64; export WINEARCH=win64 ;;
esac
export WINEPREFIX=$out/prefix WINEDEBUG=-all HOME=$out/home
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
mkdir -p "$HOME"
win() { echo "Z:${1//\//\\}"; }

for n in $(seq 121 150); do [ -e /tmp/.X$n-lock ] || { display=:$n; break; }; done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1

# A prefix of its own, with Wine's fonts where Windows keeps them (Marlett
# draws the caption buttons, Tahoma the texts).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$loader" wineboot --init >/dev/null 2>&1 || true
  wineserver -w || true
fi
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

rm -f "$out/scg.zvc" "$out"/*.png "$out/driver.log"
"$loader" "$(win "$bin/login_probe.exe")" --create "$(win "$out/scg.zvc")" >/dev/null 2>&1
[ -f "$out/scg.zvc" ] || { echo "run-login: the probe made no file" >&2; exit 1; }
status=0
# Inside a Wine desktop, which draws the windows' frames and captions as
# Windows does (a bare X display has no window manager to draw them).
timeout 200 "$loader" explorer /desktop=VelmorakLogin,1024x768 "$(win "$bin/login_driver.exe")" \
  "$(win "$bin/login_probe.exe")" "$(win "$out/scg.zvc")" "$(win "$out")" >/dev/null 2>&1 || true
wineserver -w || true
tr -d '\r' <"$out/driver.log"
grep -q ' 0 failed' "$out/driver.log" || status=1
echo "run-login: screenshot in $out"
exit $status
