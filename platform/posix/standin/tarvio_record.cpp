// tarvio-record: a stand-in program that records how it was called. It writes one line, its own
// file name followed by its arguments separated by blanks, to its standard output and appends the
// same line to the file named by TARVIO_RECORD_FILE (when set).
// TARVIO_RECORD_VARIABLE=NAME adds " NAME=value" (or " NAME unset") to the line;
// TARVIO_RECORD_WAIT_FOR=PATH waits until PATH exists before recording;
// TARVIO_RECORD_EXIT_CODE=N is its exit code.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (const char* path = std::getenv("TARVIO_RECORD_WAIT_FOR")) {
    while (access(path, F_OK) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::string name = argc > 0 ? argv[0] : "";
  size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  std::string line = name;
  for (int i = 1; i < argc; ++i) line += std::string(" ") + argv[i];
  if (const char* variable = std::getenv("TARVIO_RECORD_VARIABLE")) {
    const char* value = std::getenv(variable);
    line += std::string(" ") + variable + (value ? std::string("=") + value : std::string(" unset"));
  }
  std::cout << line << "\n" << std::flush;
  if (const char* file = std::getenv("TARVIO_RECORD_FILE")) {
    std::ofstream out(file, std::ios::app | std::ios::binary);
    out << line << "\n";
    if (!out.flush()) return 1;
  }
  const char* code = std::getenv("TARVIO_RECORD_EXIT_CODE");
  return code ? std::atoi(code) : 0;
}
