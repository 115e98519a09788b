#!/usr/bin/env bash
# Runs the end-to-end driver against the real Install.exe of a Windows build
# folder, under Wine on a private X display (Xvfb) inside a 1024 x 768 Wine
# desktop, and leaves the screenshots in BUILD/e2e/screens.
#   run-e2e.sh BUILD_DIR
# The Wine set-up is wine-env.sh. Exit status 0 when every check passed.
set -euo pipefail
build=$(cd "${1:?usage: run-e2e.sh BUILD_DIR}" && pwd)
driver=$build/wizdriver.exe
source "$(dirname "$0")/wine-env.sh"
[ -f "$driver" ] || { echo "run-e2e: $driver is missing" >&2; exit 2; }
mkdir -p "$build/e2e/screens"
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

wine_prefix
echo "run-e2e: driving $(win "$exe") on $display"
timeout 240 "$loader" explorer /desktop=VelmorakE2E,1024x768 "$(win "$driver")" "$(win "$exe")" \
  "$(win "$build/e2e/screens")" >/dev/null 2>&1 || true
wineserver -w || true

cat "$build/e2e/screens/driver.log" 2>/dev/null || echo "run-e2e: the driver wrote no log"
echo "run-e2e: screenshots in $build/e2e/screens"
# The driver writes Windows line ends; the carriage return must not reach the test below.
result=$(tr -d '\r' <"$build/e2e/screens/result.txt" 2>/dev/null || echo "0 passed, 1 failed")
echo "$result"
[[ $result == *" 0 failed" ]]
