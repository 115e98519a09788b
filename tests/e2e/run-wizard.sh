#!/usr/bin/env bash
# Starts the wizard of a Windows build folder under Wine for a person to use:
# on the user's X display when there is one, in a 1024 x 768 Wine desktop,
# from the demo folder BUILD/demo (the folder the package is looked for in).
# With no display, the end-to-end driver runs it under Xvfb instead and says
# where its screenshots are.
#   run-wizard.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: run-wizard.sh BUILD_DIR}" && pwd)
here=$(dirname "$0")
source "$here/wine-env.sh"

demo=$build/demo
mkdir -p "$demo"
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "run-wizard: no X display; the end-to-end driver runs the wizard under Xvfb instead"
  exec bash "$here/run-e2e.sh" "$build"
fi

wine_prefix
echo "run-wizard: starting $(win "$exe") in $demo on $DISPLAY"
cd "$demo"
"$loader" explorer /desktop=Velmorak,1024x768 "$(win "$exe")" || true
wineserver -w || true
