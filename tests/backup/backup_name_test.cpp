// The archive's base name from the local clock.
#include <gtest/gtest.h>

#include "backup/backup.h"
#include "platform/platform.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/scoped_platform.h"

namespace tarvio {
namespace {

TEST(backup_name, from_the_local_clock) {
  struct Case {
    LocalTime time;
    const char* name;
  };
  const Case cases[] = {
      {{2024, 3, 5, 9, 7, 3, 999}, "tarvio-20240305-090703"},
      {{2024, 12, 31, 23, 59, 59, 0}, "tarvio-20241231-235959"},
      {{2025, 1, 1, 0, 0, 0, 0}, "tarvio-20250101-000000"},
      {{10000, 1, 2, 3, 4, 5, 0}, "tarvio-100000102-030405"},
  };
  test::FakeClock clock;
  test::ScopedPlatform installed(Platform{nullptr, nullptr, nullptr, nullptr, &clock});
  for (const auto& c : cases) {
    clock.current = c.time;
    EXPECT_EQ(TBackup::getBkpName(), c.name);
  }
}

}  // namespace
}  // namespace tarvio
