// Interoperation both ways: our archives listed and tested by Info-ZIP's unzip, 7-Zip and Python's
// zipfile; archives of zip, 7z and Python read back and extracted by our reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/platform.h"
#include "tests/zip/tools.h"
#include "tests/zip/zip_drive.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace tarvio::zip {
namespace {

using test::haveTool;
using test::runCommand;
using test::shellQuote;
using test::ZipDrive;

std::string randomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(n);
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(rng()));
  return s;
}

// Checks every entry of an archive of ours with Python's zipfile; prints one line per failure.
constexpr const char* pythonCheck = R"PY(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
bad = z.testzip()
if bad: print("bad entry", bad)
seen = {}
for i in z.infolist():
    name = i.filename if i.flag_bits & 0x800 else i.orig_filename.encode("cp437").decode("cp850")
    seen[name] = i
    if i.create_system != 0: print("host", name, i.create_system)
    if name.endswith("/"):
        if i.compress_type != 0 or i.file_size != 0 or not i.external_attr & 0x10: print("folder", name)
        if i.date_time != (2024, 3, 5, 9, 7, 4): print("folder time", name, i.date_time)
    else:
        if i.compress_type != 8 or i.flag_bits & 0x6 != 0x6: print("method", name, i.compress_type, i.flag_bits)
        if i.date_time != (2023, 7, 8, 10, 20, 30): print("time", name, i.date_time)
    utf8 = bool(i.flag_bits & 0x800)
    if utf8 != (name == "dados/recibo-\u20ac.pdf"): print("utf8 flag", name, utf8)
expect = {"dados/a\u00e7\u00e3o.xml": 3, "dados/recibo-\u20ac.pdf": 4, "dados/ro.txt": 2,
          "dados/aleatorio.bin": 3000000, "dados/vazia/": 0}
for name, size in expect.items():
    if name not in seen: print("missing", name, sorted(seen))
    elif seen[name].file_size != size: print("size", name, seen[name].file_size)
if "dados/ro.txt" in seen and not seen["dados/ro.txt"].external_attr & 1: print("read-only lost")
if len(seen) != len(expect): print("entries", sorted(seen))
print("checked")
)PY";

TEST(ZipInterop, OurArchivesPassUnzip7zipAndPython) {
  ZipDrive drive;
  for (const char* tool : {"unzip", "7z", "python3"}) {
    if (!haveTool(tool)) GTEST_SKIP() << tool << " is missing (scripts/setup.sh installs it)";
  }
  drive.writeFile("C:\\w\\dados\\ação.xml", "<a>");
  drive.writeFile("C:\\w\\dados\\recibo-\xe2\x82\xac.pdf", "%PDF");
  drive.writeFile("C:\\w\\dados\\ro.txt", "ro");
  drive.writeFile("C:\\w\\dados\\aleatorio.bin", randomBytes(3'000'000, 3));
  drive.makeFolder("C:\\w\\dados\\vazia");
  for (const char* f : {"ação.xml", "recibo-\xe2\x82\xac.pdf", "ro.txt", "aleatorio.bin"}) {
    ASSERT_TRUE(fs().setLastWriteTime(std::string("C:\\w\\dados\\") + f, LocalTime{2023, 7, 8, 10, 20, 30, 0}));
  }
  ASSERT_TRUE(fs().setAttributes("C:\\w\\dados\\ro.txt", attr::readOnly));
  ZipWriter w;
  w.create("C:\\a.zip");
  w.setBaseFolder("C:\\w");
  w.addFiles("C:\\w\\dados\\*.*");
  w.close();
  std::string archive = shellQuote(drive.host("C:\\a.zip"));

  std::string out;
  EXPECT_EQ(runCommand("unzip -t " + archive, &out), 0) << out;
  EXPECT_NE(out.find("No errors detected"), std::string::npos) << out;
  EXPECT_EQ(runCommand("unzip -Z -v " + archive, &out), 0) << out;
  EXPECT_NE(out.find("compression method:                             deflated"), std::string::npos) << out;
  EXPECT_NE(out.find("MS-DOS, OS/2 or NT FAT"), std::string::npos) << out;
  EXPECT_EQ(runCommand("7z t " + archive, &out), 0) << out;
  EXPECT_NE(out.find("Everything is Ok"), std::string::npos) << out;
  drive.writeFile("C:\\check.py", pythonCheck);
  EXPECT_EQ(runCommand("python3 " + shellQuote(drive.host("C:\\check.py")) + " " + archive, &out), 0);
  EXPECT_EQ(out, "checked\n");
}

TEST(ZipInterop, ArchivesOfOtherToolsExtractByOurs) {
  ZipDrive drive;
  drive.writeFile("C:\\src\\t\\ação.xml", "<ação/>");
  drive.writeFile("C:\\src\\t\\sub\\x.pdf", randomBytes(200'000, 5));
  drive.writeFile("C:\\src\\t\\sub\\texto.txt", std::string(100'000, 't'));
  drive.makeFolder("C:\\src\\t\\vazia");
  std::string src = drive.host("C:\\src");
  struct Tool {
    const char* program;
    std::string command;  // run in the source folder, writes ../<name>.zip
  } tools[] = {
      {"zip", "zip -q -r ../zip.zip t"},
      {"7z", "7z a -tzip -bd ../7z.zip t > /dev/null"},
      {"python3",
       "python3 -c \"import zipfile,os\nwith zipfile.ZipFile('../python3.zip','w',zipfile.ZIP_DEFLATED) as z:\n"
       " [z.write(os.path.join(d,n)) for d,ds,fs in os.walk('t') for n in ds+fs]\""},
  };
  for (const auto& t : tools) {
    SCOPED_TRACE(t.program);
    if (!haveTool(t.program)) GTEST_SKIP() << t.program << " is missing";
    std::string out;
    ASSERT_EQ(runCommand("cd " + shellQuote(src) + " && " + t.command, &out), 0) << out;
    ZipReader r;
    r.open(std::string("C:\\") + t.program + ".zip");
    r.verify();
    r.setOverwriteAlways(true);
    std::string base = std::string("C:\\out-") + t.program;
    r.setBaseFolder(base);
    r.extract();
    EXPECT_EQ(drive.tree(base),
              (std::vector<std::string>{"t/", "t/ação.xml", "t/sub/", "t/sub/texto.txt", "t/sub/x.pdf", "t/vazia/"}));
    EXPECT_EQ(drive.readFile(base + "\\t\\ação.xml"), "<ação/>");
    EXPECT_TRUE(drive.readFile(base + "\\t\\sub\\x.pdf") == drive.readFile("C:\\src\\t\\sub\\x.pdf"));
  }
}

}  // namespace
}  // namespace tarvio::zip
