// Times our archive writer, its read-back check and our reader against Info-ZIP's zip and unzip
// (and bsdtar) on the benchmark corpus, each run as a child process so that its wall time and peak memory are its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <string>
#include <vector>

#include "platform/native.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace stdfs = std::filesystem;

namespace {

struct Run {
  double seconds = 0;
  double peakMiB = 0;
  int status = -1;
};

Run run(const std::vector<std::string>& argv, const std::string& folder) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.peakMiB = usage.ru_maxrss / 1024.0;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

void installPlatform(const std::string& driveC) {
  static std::unique_ptr<tarvio::FileSystem> fs;
  static std::unique_ptr<tarvio::CodePages> codePages;
  static std::unique_ptr<tarvio::Clock> clock;
  fs = tarvio::makeNativeFileSystem(driveC);
  codePages = tarvio::makeNativeCodePages();
  clock = tarvio::makeNativeClock();
  tarvio::installPlatform(tarvio::Platform{fs.get(), codePages.get(), nullptr, nullptr, clock.get()});
}

// The archive as the backup builds it: the dump, then the work folders of both trees. Each step
// reports its progress as the program shows it (a step without any report ends with status 3).
int writeArchive(const std::string& corpus, const std::string& archive) {
  installPlatform(corpus);
  tarvio::zip::ZipWriter w;
  uint64_t reports = 0;  // progress is reported as a backup would show it
  w.setProgress([&](uint64_t, uint64_t) { ++reports; });
  w.create(archive);
  w.setBaseFolder("C:\\");
  w.addFiles("C:\\backup\\tarvio.backup");
  w.setBaseFolder("C:\\tomcat\\work\\tarvio");
  for (const char* f : {"tarvio_nfse", "trabalhadores", "esocial", "manifestacaodestinatario", "reinf"}) {
    w.addFiles(std::string("C:\\tomcat\\work\\tarvio\\") + f + "\\*.*");
  }
  w.setBaseFolder("C:\\jetty\\work\\tarvio");
  for (const char* f : {"tarvio_nfse", "trabalhadores"}) w.addFiles(std::string("C:\\jetty\\work\\tarvio\\") + f + "\\*.*");
  w.close();
  return reports > 0 ? 0 : 3;
}

// The read-back after writing: every local header against the central directory, every entry's
// data inflated and its CRC checked.
int verifyArchive(const std::string& work, const std::string& archive) {
  installPlatform(work);
  tarvio::zip::ZipReader r;
  uint64_t reports = 0;
  r.setProgress([&](uint64_t, uint64_t) { ++reports; });
  r.open("C:\\" + archive);
  r.verify();
  r.close();
  return reports > 0 ? 0 : 3;
}

int extractArchive(const std::string& work, const std::string& archive, const std::string& folder) {
  installPlatform(work);
  tarvio::zip::ZipReader r;
  uint64_t reports = 0;
  r.setProgress([&](uint64_t, uint64_t) { ++reports; });
  r.open("C:\\" + archive);
  r.setOverwriteAlways(true);
  r.setBaseFolder("C:\\" + folder);
  r.extract("*.*", tarvio::zip::defaultAttributeFilter);
  r.close();
  return reports > 0 ? 0 : 3;
}

size_t countFiles(const std::string& folder) {
  size_t n = 0;
  for (auto& e : stdfs::recursive_directory_iterator(folder)) n += e.is_regular_file();
  return n;
}

std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 4 && std::strcmp(argv[1], "write") == 0) return writeArchive(argv[2], argv[3]);
    if (argc == 5 && std::strcmp(argv[1], "extract") == 0) return extractArchive(argv[2], argv[3], argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "verify") == 0) return verifyArchive(argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: zip_bench CORPUS_FOLDER WORK_FOLDER\n");
    return 2;
  }
  std::string self = stdfs::canonical("/proc/self/exe").string();
  std::string corpus = stdfs::canonical(argv[1]).string();
  stdfs::create_directories(argv[2]);
  std::string work = stdfs::canonical(argv[2]).string();
  // Fresh extraction folders for each run: creating files where many were just deleted is slow.
  std::string tag = std::to_string(getpid());
  std::printf("cores %u, load average before: %s\n", std::thread::hardware_concurrency(), loadAverage().c_str());

  Run ours = run({self, "write", corpus, work + "/ours.zip"}, work);
  Run oursV = run({self, "verify", work, "ours.zip"}, work);
  Run infozip = run({"zip", "-1", "-r", "-q", work + "/infozip.zip", "backup", "tomcat", "jetty"}, corpus);
  Run oursX = run({self, "extract", work, "ours.zip", "x-ours-" + tag}, work);
  Run unzipX = run({"unzip", "-o", "-q", work + "/ours.zip", "-d", work + "/x-unzip-" + tag}, work);
  Run bsdtarX = run({"sh", "-c", "mkdir -p x-bsdtar-" + tag + " && bsdtar -xf ours.zip -C x-bsdtar-" + tag}, work);

  auto mib = [](const std::string& p) { return stdfs::file_size(p) / 1048576.0; };
  std::printf("\n%-28s %9s %10s %12s %7s\n", "step", "seconds", "peak MiB", "archive MiB", "status");
  std::printf("%-28s %9.2f %10.1f %12.1f %7d\n", "write: ours", ours.seconds, ours.peakMiB, mib(work + "/ours.zip"), ours.status);
  std::printf("%-28s %9.2f %10.1f %12.1f %7d\n", "write: zip -1 -r", infozip.seconds, infozip.peakMiB,
              mib(work + "/infozip.zip"), infozip.status);
  std::printf("%-28s %9.2f %10.1f %12s %7d\n", "read-back: ours", oursV.seconds, oursV.peakMiB, "", oursV.status);
  std::printf("%-28s %9.2f %10.1f %12s %7d\n", "extract: ours", oursX.seconds, oursX.peakMiB, "", oursX.status);
  std::printf("%-28s %9.2f %10.1f %12s %7d\n", "extract: unzip -o", unzipX.seconds, unzipX.peakMiB, "", unzipX.status);
  std::printf("%-28s %9.2f %10.1f %12s %7d\n", "extract: bsdtar -xf", bsdtarX.seconds, bsdtarX.peakMiB, "", bsdtarX.status);
  std::printf("\nwriting: ours is %.2fx as fast as zip -1 (target 3x)\n", infozip.seconds / ours.seconds);
  std::printf("read-back: %.0f%% of our write time (target at most 40%%)\n", 100 * oursV.seconds / ours.seconds);
  std::printf("extraction: ours is %.2fx as fast as unzip (target 1.5x), %.2fx as fast as bsdtar (target > 1x)\n",
              unzipX.seconds / oursX.seconds, bsdtarX.seconds / oursX.seconds);
  size_t a = countFiles(work + "/x-ours-" + tag), b = countFiles(work + "/x-unzip-" + tag);
  std::printf("files extracted: ours %zu, unzip %zu%s\n", a, b, a == b ? "" : "  MISMATCH");
  std::printf("load average after: %s\n", loadAverage().c_str());

  for (const char* x : {"x-ours-", "x-unzip-", "x-bsdtar-"}) stdfs::remove_all(work + "/" + x + tag);
  stdfs::remove(work + "/ours.zip");
  stdfs::remove(work + "/infozip.zip");
  bool ok = ours.status == 0 && oursV.status == 0 && infozip.status == 0 && oursX.status == 0 && unzipX.status == 0 && a == b;
  return ok ? 0 : 1;
}
