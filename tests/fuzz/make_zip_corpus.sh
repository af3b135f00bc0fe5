#!/bin/sh
# Regenerates the seed corpus of the zip reader fuzz target: tiny zip files of
# every layout the reader takes (stored, deflated, folders, data descriptors,
# ZIP64 records, code page 437 names, a comment, no entries). The time stamps
# are fixed, so the committed files only change when this script does.
set -eu
out="$(dirname "$0")/zip_corpus"
mkdir -p "$out"
cd "$out"
python3 - <<'PY'
import io, zipfile

STAMP = (2021, 3, 4, 5, 6, 8)

class Unseekable(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)

def make(name, files, comment=b'', stream=False, zip64=False):
    with open(name, 'wb') as f, zipfile.ZipFile(Unseekable(f) if stream else f, 'w') as z:
        z.comment = comment
        for arcname, data, method in files:
            info = zipfile.ZipInfo(arcname, STAMP)
            info.compress_type = method
            with z.open(info, 'w', force_zip64=zip64) as entry:
                entry.write(data)

config = b'{"name": "Seed", "sounds": ["a.wav", "caps lock.wav"]}'
click = bytes(range(0, 256, 3)) * 2
make('stored.zip', [('a.wav', click, zipfile.ZIP_STORED)])
make('deflated.zip', [('config.json', config, zipfile.ZIP_DEFLATED), ('sounds/', b'', zipfile.ZIP_STORED),
                      ('sounds/caps lock.wav', click, zipfile.ZIP_DEFLATED)])
make('descriptor.zip', [('config.json', config, zipfile.ZIP_DEFLATED), ('b.wav', click, zipfile.ZIP_STORED)],
     stream=True)
make('comment.zip', [('a.wav', b'x', zipfile.ZIP_STORED)], comment=b'a comment PK')
make('empty.zip', [])
limits = zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT
zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = 1, 1
make('zip64.zip', [('config.json', config, zipfile.ZIP_DEFLATED), ('a.wav', click, zipfile.ZIP_STORED)], zip64=True)
zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = limits
zipfile.ZipInfo._encodeFilenameFlags = lambda info: (info.filename.encode('cp437'), info.flag_bits)
make('cp437.zip', [('d\u00e9j\u00e0/\u00df.wav', click, zipfile.ZIP_DEFLATED)])
PY
