#!/usr/bin/env bash
# make-package.sh: builds the demo package that the installer installs. It
# stages the demo product's tree (the committed files of demo/tree, the
# program, and the engine's databases made by `zvdb create` from the
# committed schemas in demo/schema), fixes every time stamp, and packs the
# tree with Info-ZIP zip under the package password: deflated, with the
# .FDB databases stored, names in ASCII.
#
#   make-package.sh --zvdb ZVDB --kolvane KOLVANE.EXE --out DIR
#                   [--install INSTALL.EXE] [--variant VARIANT]
#
# The package goes to DIR/zrvpkg_Kolvane_Pro_5.6_B1_01-12-2017.zvp, with a
# copy of INSTALL.EXE beside it when one is given. The variants serve the
# tests: "standard" (the default), "password" (scg.zvc under another
# password), "no-societe" (scg.zvc without its Societe table),
# "no-template" (no exercise template) and "damaged" (the stored data of
# Common/WrkData.FDB altered, so that item fails its check).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
package_name=zrvpkg_Kolvane_Pro_5.6_B1_01-12-2017.zvp
zvdb= kolvane= out= install= variant=standard
while [ $# -gt 0 ]; do
  case "$1" in
    --zvdb) zvdb=$2; shift 2 ;;
    --kolvane) kolvane=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --install) install=$2; shift 2 ;;
    --variant) variant=$2; shift 2 ;;
    *) echo "make-package.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ -z "$zvdb" ] || [ -z "$kolvane" ] || [ -z "$out" ]; then
  echo "usage: make-package.sh --zvdb ZVDB --kolvane KOLVANE.EXE --out DIR [--install INSTALL.EXE] [--variant V]" >&2
  exit 2
fi
case "$variant" in
  standard|password|no-societe|no-template|damaged) ;;
  *) echo "make-package.sh: unknown variant $variant" >&2; exit 2 ;;
esac

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
tree="$stage/tree"
mkdir -p "$tree"
cp -R "$here/tree/." "$tree/"
mkdir -p "$tree/Common" "$tree/Ex_Data" "$tree/Files_Export" "$tree/BackUp"
cp "$kolvane" "$tree/Kolvane.exe"

# The configuration database, as the variant wants it.
schema="$stage/scg.json"
case "$variant" in
  password) sed 's/"password": "wexor"/"password": "autre"/' "$here/schema/scg.json" > "$schema" ;;
  # The Societe table is the schema's last: from its line to the closing one.
  no-societe) sed '/^  ,{"name": "Societe"/,/^ \]}$/{/^ \]}$/!d}' "$here/schema/scg.json" > "$schema" ;;
  *) cp "$here/schema/scg.json" "$schema" ;;
esac
"$zvdb" create "$schema" "$tree/scg.zvc" > /dev/null
"$zvdb" create "$here/schema/WrkData.json" "$tree/Common/WrkData.FDB" > /dev/null
if [ "$variant" != no-template ]; then
  "$zvdb" create "$here/schema/DBEx.json" "$tree/Ex_Data/DBEx_20xx.FDB" > /dev/null
fi

# One time stamp for everything, so two builds give the same package.
find "$tree" -exec env TZ=UTC touch -h -d "2017-12-01 08:00:00" {} +

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/$package_name"
(cd "$tree" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort |
   TZ=UTC zip -q -X -P lintarv -n .FDB "$out/$package_name" -@)

if [ "$variant" = damaged ]; then
  # The local header of the item: 30 fixed bytes, then the name and the
  # extra field; the data starts after the 12-byte encryption header.
  name=Common/WrkData.FDB
  at=$(grep -obUa "$name" "$out/$package_name" | head -1 | cut -d: -f1)
  header=$((at - 30))
  extra=$(od -An -tu2 -j $((header + 28)) -N2 "$out/$package_name" | tr -d ' ')
  data=$((at + ${#name} + extra + 12 + 16))
  byte=$(od -An -tu1 -j "$data" -N1 "$out/$package_name" | tr -d ' ')
  printf "$(printf '\\%03o' $(( (byte ^ 0x5A) & 0xFF )))" |
    dd of="$out/$package_name" bs=1 seek="$data" conv=notrunc status=none
fi

if [ -n "$install" ]; then cp "$install" "$out/Install.exe"; fi
echo "$out/$package_name"
