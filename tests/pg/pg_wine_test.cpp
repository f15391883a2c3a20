// Under Wine, the real cmd.exe runs the program's dump and restore scripts against the private
// PostgreSQL servers, with the Linux client programs behind Windows stand-ins (wine_pg_wrapper.exe
// copied as pg_dump.exe and the others): the dump must be complete and restore the same data.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/host_file.h"
#include "tests/support/win32_start_process.h"

namespace {

namespace stdfs = std::filesystem;

const stdfs::path vendorRoot = L"C:\\Meridano";
const stdfs::path binDir = L"C:\\Meridano\\Tarvio\\pg10\\bin";
const stdfs::path dumpFile = L"C:\\Meridano\\Tarvio\\backup\\tarvio.backup";
const stdfs::path scriptFile = L"C:\\Meridano\\backup.bat";
const stdfs::path outputFile = L"C:\\Meridano\\saida.txt";

stdfs::path ownFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return stdfs::path(std::wstring(path, n)).parent_path();
}

class PgUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ec;
    stdfs::remove_all(vendorRoot, ec);
    stdfs::create_directories(binDir);
    stdfs::create_directories(dumpFile.parent_path());
    for (const wchar_t* name : {L"pg_dump", L"psql", L"dropdb", L"createdb", L"pg_restore"}) {
      stdfs::copy_file(ownFolder() / L"wine_pg_wrapper.exe", binDir / (std::wstring(name) + L".exe"));
    }
  }

  void TearDown() override {
    std::error_code ec;
    stdfs::remove_all(vendorRoot, ec);
  }

  // Writes the lines as a batch file (CR LF after each) and runs it hidden through cmd.exe, as
  // the program's script runner does. Returns cmd's exit code.
  DWORD runScript(std::initializer_list<std::string> lines) {
    {
      std::ofstream out(scriptFile, std::ios::binary | std::ios::trunc);
      for (const auto& line : lines) out << line << "\r\n";
    }
    std::wstring command = L"cmd.exe /C " + scriptFile.wstring();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!tarvio::test::startProcess(command, FALSE, CREATE_NO_WINDOW, nullptr, si, pi)) {
      ADD_FAILURE() << "cannot start cmd.exe: " << GetLastError();
      return 0xFFFFFFFF;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
  }

  // The first row's first column of a query on "tarvio", through psql.exe and cmd's redirection.
  std::string query(const std::string& sql) {
    EXPECT_EQ(runScript({"SET PGPASSWORD=plovertin",
                         "C:\\Meridano\\Tarvio\\pg10\\bin\\psql.exe -U postgres -p 5432 -A -t -c \"" +
                             sql + "\" tarvio > C:\\Meridano\\saida.txt"}),
              0u);
    std::string text = tarvio::test::readHostFile(outputFile);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }
};

TEST_F(PgUnderWine, dump_script_writes_a_complete_dump_that_restores_the_data) {
  const std::string documents = query("SELECT count(*) || ' ' || md5(string_agg(conteudo, '' ORDER BY id)) FROM documentos");
  ASSERT_EQ(documents.substr(0, 4), "330 ") << documents;  // the fixture's generated data

  EXPECT_EQ(runScript({"echo localhost:5432:tarvio:postgres:plovertin> C:\\Meridano\\pgpass",
                       "SET PGPASSFILE=C:\\Meridano\\pgpass",
                       "C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe -U postgres -p 5432 -Fc tarvio > "
                       "C:\\Meridano\\Tarvio\\backup\\tarvio.backup"}),
            0u);
  const std::string dump = tarvio::test::readHostFile(dumpFile);
  EXPECT_GE(dump.size(), 1000000u);
  EXPECT_EQ(dump.substr(0, 5), "PGDMP");

  // Lose the data, then the restore's own scripts bring it back from the dump.
  EXPECT_EQ(runScript({"SET PGPASSWORD=plovertin",
                       "C:\\Meridano\\Tarvio\\pg10\\bin\\psql.exe -U postgres -p 5432 -c \"DELETE FROM documentos\" tarvio"}),
            0u);
  EXPECT_EQ(query("SELECT count(*) FROM documentos"), "0");
  runScript({"SET PGPASSWORD=plovertin",
             "C:\\Meridano\\Tarvio\\pg10\\bin\\psql.exe -U postgres -p 5432 -c \"SELECT "
             "pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = 'tarvio';\""});
  EXPECT_EQ(runScript({"SET PGPASSWORD=plovertin",
                       "C:\\Meridano\\Tarvio\\pg10\\bin\\dropdb.exe -U postgres -p 5432 tarvio"}),
            0u);
  EXPECT_EQ(runScript({"SET PGPASSWORD=plovertin",
                       "C:\\Meridano\\Tarvio\\pg10\\bin\\createdb.exe -U postgres -p 5432 tarvio"}),
            0u);
  EXPECT_EQ(query("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'"), "0");
  EXPECT_EQ(runScript({"echo localhost:5432:tarvio:postgres:plovertin> C:\\Meridano\\pgpass",
                       "SET PGPASSFILE=C:\\Meridano\\pgpass",
                       "C:\\Meridano\\Tarvio\\pg10\\bin\\pg_restore.exe -U postgres -p 5432 -d tarvio "
                       "C:\\Meridano\\Tarvio\\backup\\tarvio.backup"}),
            0u);
  EXPECT_EQ(query("SELECT count(*) || ' ' || md5(string_agg(conteudo, '' ORDER BY id)) FROM documentos"), documents);
}

TEST_F(PgUnderWine, refused_password_leaves_an_empty_dump_and_a_failing_exit_code) {
  DWORD code = runScript({"echo localhost:6543:tarvio:pgmeridano:plovertin> C:\\Meridano\\pgpass",
                          "SET PGPASSFILE=C:\\Meridano\\pgpass",
                          "C:\\Meridano\\Tarvio\\pg10\\bin\\pg_dump.exe -U pgmeridano -p 6543 -Fc tarvio > "
                          "C:\\Meridano\\Tarvio\\backup\\tarvio.backup",
                          "exit /b %ERRORLEVEL%"});
  EXPECT_EQ(code, 1u);  // pg_dump's own exit code for a failed connection
  EXPECT_TRUE(stdfs::exists(dumpFile));
  EXPECT_EQ(stdfs::file_size(dumpFile), 0u);
}

}  // namespace
