// exec_env_probe.exe NAME: a Windows test program that writes "NAME=value" (or "NAME unset") and CR LF
// to its standard output, followed by the bytes of the file that the value names, if there is one.
// With TARVIO_PROBE_RECORD naming a file, it also appends its own path and CR LF to that file, so
// that a test sees that it ran.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (const char* record = std::getenv("TARVIO_PROBE_RECORD")) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (FILE* out = std::fopen(record, "ab")) {
      std::fprintf(out, "%.*s\r\n", static_cast<int>(n), self);
      std::fclose(out);
    }
  }
  if (argc < 2) return 2;
  _setmode(_fileno(stdout), _O_BINARY);  // the bytes as they are, no LF to CR LF translation
  const char* value = std::getenv(argv[1]);
  std::string line = std::string(argv[1]) + (value ? std::string("=") + value : std::string(" unset")) + "\r\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  if (value) {
    if (FILE* in = std::fopen(value, "rb")) {
      char buffer[4096];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) std::fwrite(buffer, 1, n, stdout);
      std::fclose(in);
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
