// A check of an archive by Python's zipfile: every entry read back (testzip), and ZIP64 records
// exactly where a value reaches the given limits. Prints one line per fault, then "checked" and
// the number of entries.
#pragma once

namespace tarvio::test {

// argv: archive, size and offset limit, entry count limit.
constexpr const char* zip64Check = R"PY(
import os, struct, sys, zipfile
path, limit, count_limit = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
z = zipfile.ZipFile(path)
bad = z.testzip()
if bad: print("bad entry", bad)
infos = z.infolist()
for i in infos:
    extra, has = i.extra, False
    while len(extra) >= 4:
        tag, length = struct.unpack("<HH", extra[:4])
        has = has or tag == 1
        extra = extra[4 + length:]
    need = i.file_size >= limit or i.compress_size >= limit or i.header_offset >= limit
    if has != need: print("ZIP64 extra field", i.filename, has, i.file_size, i.compress_size, i.header_offset)
size = os.path.getsize(path)
with open(path, "rb") as f:
    f.seek(size - 42)
    has_end = f.read(4) == b"PK\x06\x07"
central_size = size - 22 - (76 if has_end else 0) - z.start_dir
need_end = len(infos) >= count_limit or z.start_dir >= limit or central_size >= limit
if has_end != need_end: print("ZIP64 end records", has_end, len(infos), z.start_dir, central_size)
print("checked", len(infos))
)PY";

}  // namespace tarvio::test
