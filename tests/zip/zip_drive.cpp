// The archive tests' drive.
#include "tests/zip/zip_drive.h"

#include <filesystem>

#ifndef TARVIO_ZIP_FIXTURES
#error "TARVIO_ZIP_FIXTURES must name the fixture folder"
#endif

namespace tarvio::test {

std::string ZipDrive::fixture(const std::string& name) {
  makeFolder("C:\\in");
  std::filesystem::copy_file(std::string(TARVIO_ZIP_FIXTURES) + "/" + name, host("C:\\in\\" + name),
                             std::filesystem::copy_options::overwrite_existing);
  return "C:\\in\\" + name;
}

}  // namespace tarvio::test
