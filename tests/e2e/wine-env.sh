# Sourced by run-e2e.sh and run-wizard.sh: sets up Wine for the Install.exe
# of a Windows build folder. Expects $build; sets $exe, $loader and the Wine
# variables, and makes the build folder's prefix (BUILD/e2e/prefix) on first
# use, with Wine's fonts (Tahoma, MS Sans Serif) in its Fonts folder, as a
# Windows installation has them.
exe=$build/Install.exe
[ -f "$exe" ] || { echo "$0: $exe is missing" >&2; exit 2; }
pe_offset=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
case $(od -An -tx2 -j$((pe_offset + 4)) -N2 "$exe" | tr -d ' ') in
  014c) loader=/usr/lib/wine/wine; export WINEARCH=win32 ;;
  8664) loader=/usr/lib/wine/wine64; export WINEARCH=win64 ;;
  *) echo "$0: $exe is not a Windows program" >&2; exit 2 ;;
esac
export WINELOADER=$loader
export WINEPREFIX=$build/e2e/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
export HOME=$build/e2e/home
mkdir -p "$HOME"

wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "$0: making the Wine prefix (about 20 s)"
    "$loader" wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
}

# A Windows path for a Linux one, through Wine's Z: drive.
win() { echo "Z:${1//\//\\}"; }
