#!/usr/bin/env bash
# Makes the small archives the archive tests read, with tools that are not
# ours: Info-ZIP zip, 7z and Python's zipfile. The outputs are committed so
# that the Windows suite (which cannot run these tools) reads the same bytes;
# run this again only to change them:
#   bash tests/data/archive/make-fixtures.sh
#
#   basic.zip        zip -X -r: folder entry bin/, deflated bin/app.exe, readme.txt
#   stored.zip       zip -X -0: stored readme.txt (6 bytes) and an empty file
#   enc.zip          zip -X -P secret: two encrypted items, deflated and stored
#   enc_stream.zip   zip -P secret to a pipe: encrypted with a data descriptor
#   comment.zip      zip -z: an archive comment
#   deflate64.zip    7z -mm=Deflate64: method 9
#   enc_7z.zip       7z -psecret -mem=ZipCrypto: traditional encryption by 7z
#   zip64.zip        Python zipfile with its ZIP64 limit lowered to 10 bytes:
#                    ZIP64 extra fields, ZIP64 end record and locator
#   oem.zip          Python zipfile: the name "café.txt" stored in the DOS
#                    code page (é = 0x82), no UTF-8 flag
#   names.zip        Python zipfile: hostile names (absolute, drive, network,
#                    climbing ".."), an empty name, and one harmless item
#   empty_deflated.zip  Python zipfile: a deflated item of 0 bytes (packed 2)
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

mkdir -p src/bin
printf 'hello\n' > src/readme.txt
python3 -c "import sys; sys.stdout.write(''.join('line %d of the app\n' % i for i in range(400)))" > src/bin/app.exe
: > src/empty.txt
touch -d '2017-12-01 10:20:30' src/readme.txt src/bin/app.exe src/bin src/empty.txt

rm -f "$out"/*.zip
(cd src && zip -q -X -r "$out/basic.zip" bin readme.txt)
(cd src && zip -q -X -0 "$out/stored.zip" readme.txt empty.txt)
(cd src && zip -q -X -P secret "$out/enc.zip" bin/app.exe && zip -q -X -0 -P secret "$out/enc.zip" readme.txt)
(cd src && zip -q -X -P secret - readme.txt bin/app.exe | cat > "$out/enc_stream.zip")
(cd src && printf 'Package comment' | zip -q -X -z "$out/comment.zip" readme.txt)
(cd src && 7z a -bd -tzip -mm=Deflate64 "$out/deflate64.zip" bin/app.exe >/dev/null)
(cd src && 7z a -bd -tzip -psecret -mem=ZipCrypto "$out/enc_7z.zip" readme.txt bin/app.exe >/dev/null)

python3 - "$out" <<'PY'
import sys, zipfile
out = sys.argv[1]
date = (2017, 12, 1, 10, 20, 30)

def item(z, name, data, method=zipfile.ZIP_DEFLATED):
    info = zipfile.ZipInfo(name, date)
    info.compress_type = method
    info.external_attr = 0x20
    z.writestr(info, data)

# Everything above 10 bytes needs ZIP64 records now.
limit = zipfile.ZIP64_LIMIT
zipfile.ZIP64_LIMIT = 10
with zipfile.ZipFile(out + "/zip64.zip", "w") as z:
    item(z, "first.txt", b"first item of the zip64 archive\n" * 10)
    item(z, "second.bin", bytes(range(256)) * 4, zipfile.ZIP_STORED)
zipfile.ZIP64_LIMIT = limit

# zipfile writes non-ASCII names in UTF-8; the DOS code page byte goes in
# afterwards, in the local and the central header alike.
with zipfile.ZipFile(out + "/oem.zip", "w") as z:
    item(z, "cafX.txt", b"accent\n")
with open(out + "/oem.zip", "rb") as f:
    data = f.read()
with open(out + "/oem.zip", "wb") as f:
    f.write(data.replace(b"cafX.txt", b"caf\x82.txt"))

with zipfile.ZipFile(out + "/names.zip", "w") as z:
    for name in ["../evil.txt", "/abs.txt", "C:/Temp/x.txt", "\\\\server\\share\\x.txt",
                 "a/../../climb.txt", "a/../inside.txt", ""]:
        item(z, name, b"payload\n")
    item(z, "good.txt", b"good\n")

with zipfile.ZipFile(out + "/empty_deflated.zip", "w") as z:
    item(z, "nothing.txt", b"")
PY
ls -l "$out"
