// The private PostgreSQL servers as the program meets them: the client programs of the sandbox
// drive, the password file with its CR LF line end, the two servers' roles and passwords, dump
// sizes around the 1,000,000-byte threshold, and the fingerprint across a dump and restore.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/paths.h"
#include "tests/support/pg/pg_servers.h"
#include "tests/support/sandbox.h"

namespace tarvio::test::pg {
namespace {

namespace stdfs = std::filesystem;

constexpr std::uintmax_t threshold = 1000000;

class PgFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox.makeInstallLayout();
    installClientPrograms(sandbox);
  }

  // Runs the sandbox's pg_dump.exe of `binDir` the way a dump script does: the password only in a
  // password file holding `pgpassLine` + CR LF, no host option, the dump on standard output.
  CommandResult dumpThroughPasswordFile(std::string_view binDir, const std::string& pgpassLine,
                                        const char* role, int port) {
    sandbox.writeFile(std::string(paths::pgpassFile), pgpassLine + "\r\n");
    return runProgram({sandbox.host(std::string(binDir) + "\\pg_dump.exe"), "-U", role, "-p",
                       std::to_string(port), "-Fc", "tarvio"},
                      {"PGPASSFILE=" + sandbox.host(std::string(paths::pgpassFile))});
  }

  std::string writeDump(const std::string& bytes) {
    sandbox.writeFile(std::string(paths::dumpFile), bytes);
    return sandbox.host(std::string(paths::dumpFile));
  }

  Sandbox sandbox;
};

TEST_F(PgFixture, clients_reach_localhost_over_tcp) {
  const char* host = std::getenv("PGHOST");
  ASSERT_NE(host, nullptr);
  EXPECT_STREQ(host, "localhost");
  EXPECT_EQ(runSql("SELECT current_user || ' ' || inet_server_port()", first), "postgres 5432");
  EXPECT_EQ(runSql("SELECT current_user || ' ' || inet_server_port()", second), "pgmeridano 6543");
}

struct PasswordCase {
  const char* name;
  std::string_view binDir;
  const char* pgpassLine;
  const char* role;
  int port;
  bool accepted;
};

// Names the case in test names and failure messages instead of dumping its bytes.
void PrintTo(const PasswordCase& c, std::ostream* os) { *os << c.name; }

class PasswordFile : public PgFixture, public ::testing::WithParamInterface<PasswordCase> {};

// The four ways the program tries, and two that no server may accept.
INSTANTIATE_TEST_SUITE_P(
    pg, PasswordFile,
    ::testing::Values(
        PasswordCase{"first_server_own_password", paths::pg10BinDir,
                     "localhost:5432:tarvio:postgres:plovertin", "postgres", 5432, true},
        PasswordCase{"second_server_refuses_first_password", paths::pgsqlBinDir,
                     "localhost:6543:tarvio:pgmeridano:plovertin", "pgmeridano", 6543, false},
        PasswordCase{"second_server_own_password", paths::pgsqlBinDir,
                     "localhost:6543:tarvio:pgmeridano:h7j6k5l4", "pgmeridano", 6543, true},
        PasswordCase{"first_server_refuses_second_password", paths::pg10BinDir,
                     "localhost:5432:tarvio:postgres:h7j6k5l4", "postgres", 5432, false},
        PasswordCase{"second_server_has_no_postgres_role", paths::pgsqlBinDir,
                     "localhost:6543:tarvio:postgres:plovertin", "postgres", 6543, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(PasswordFile, decides_whether_pg_dump_writes_a_dump) {
  const PasswordCase& c = GetParam();
  CommandResult r = dumpThroughPasswordFile(c.binDir, c.pgpassLine, c.role, c.port);
  if (c.accepted) {
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_GE(r.out.size(), threshold);
    EXPECT_EQ(r.out.substr(0, 5), "PGDMP");  // the custom format's signature
  } else {
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("password authentication failed"), std::string::npos) << r.err;
  }
}

TEST_F(PgFixture, generated_sizes_fall_on_either_side_of_the_threshold) {
  for (auto [size, large] : {std::pair{DataSize::small, false}, std::pair{DataSize::normal, true}}) {
    resetDatabase(size);
    CommandResult r = dumpThroughPasswordFile(paths::pg10BinDir,
                                              "localhost:5432:tarvio:postgres:plovertin", "postgres", 5432);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.size() >= threshold, large) << r.out.size() << " bytes";
    // The small one is a complete dump all the same: pg_restore lists its tables.
    CommandResult list = runProgram({binDir() + "/pg_restore", "--list", writeDump(r.out)});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("TABLE DATA public documentos"), std::string::npos);
  }
}

TEST_F(PgFixture, fingerprint_survives_a_dump_and_restore_and_sees_a_change) {
  resetDatabase(DataSize::normal, first);
  const std::string original = fingerprint(first);
  EXPECT_NE(original.find("table public.notas_fiscais rows=6000 "), std::string::npos) << original;

  std::string file = sandbox.host(std::string(paths::dumpFile));
  stdfs::create_directories(stdfs::path(file).parent_path());
  dumpDatabase(file, first);
  runSql("UPDATE clientes SET nome = 'Cliente alterado' WHERE id = 7");
  EXPECT_NE(fingerprint(first), original);

  restoreDatabase(file, first);
  EXPECT_EQ(fingerprint(first), original);
}

TEST_F(PgFixture, dump_of_the_second_server_restores_on_the_first_with_equal_fingerprint) {
  resetDatabase(DataSize::normal, second);
  std::string file = sandbox.host(std::string(paths::dumpFile));
  stdfs::create_directories(stdfs::path(file).parent_path());
  dumpDatabase(file, second);
  restoreDatabase(file, first);
  EXPECT_EQ(fingerprint(first), fingerprint(second));
}

TEST_F(PgFixture, one_server_stopped_leaves_the_other_running) {
  {
    StoppedServer down(first);
    CommandResult refused = dumpThroughPasswordFile(
        paths::pg10BinDir, "localhost:5432:tarvio:postgres:plovertin", "postgres", 5432);
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.out.empty());
    CommandResult served = dumpThroughPasswordFile(
        paths::pgsqlBinDir, "localhost:6543:tarvio:pgmeridano:h7j6k5l4", "pgmeridano", 6543);
    EXPECT_EQ(served.exitCode, 0) << served.err;
    EXPECT_GE(served.out.size(), threshold);
  }
  EXPECT_EQ(runSql("SELECT 1", first), "1");
}

}  // namespace
}  // namespace tarvio::test::pg
