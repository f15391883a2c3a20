// The command interpreter stand-in run as a process on each line form the scripts use, with the
// recording stand-in as the program it starts.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "exec/commands.h"
#include "tests/support/host_file.h"
#include "tests/support/wait_until.h"

extern char** environ;

namespace tarvio::test {
namespace {

namespace stdfs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string stdoutText;
  std::string stderrText;
};

class StandinTest : public ::testing::Test {
 protected:
  StandinTest() {
    std::string pattern = (stdfs::temp_directory_path() / "tarvio-standin-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    root = pattern;
    stdfs::create_directories(root / "c" / "Meridano");
    stdfs::create_directories(root / "work");
    record = (root / "record.txt").string();
  }
  ~StandinTest() override {
    std::error_code ec;
    stdfs::remove_all(root, ec);
  }

  stdfs::path drive() const { return root / "c"; }

  // Installs tarvio-record as the program at this path below the drive folder.
  void installRecorder(const std::string& relative) {
    stdfs::path target = drive() / relative;
    stdfs::create_directories(target.parent_path());
    stdfs::copy_file(TARVIO_RECORD_STANDIN, target, stdfs::copy_options::overwrite_existing);
  }

  // Writes the script to C:\Meridano\backup.bat and runs the stand-in on it with the parameters the
  // runner gives the interpreter ("/D /C C:\Meridano\backup.bat") in the folder work/, with
  // TARVIO_DRIVE_C and the recording variables in its environment.
  Outcome run(const std::string& script, std::map<std::string, std::string> env = {}) {
    writeHostFile(drive() / "Meridano" / "backup.bat", script);
    env["TARVIO_DRIVE_C"] = drive().string();
    env["TARVIO_RECORD_FILE"] = record;
    std::vector<std::string> entries;
    for (char** e = environ; *e; ++e) {
      std::string entry = *e;
      if (!env.count(entry.substr(0, entry.find('=')))) entries.push_back(entry);
    }
    for (const auto& [name, value] : env) entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string out = (root / "stdout.txt").string(), err = (root / "stderr.txt").string();
    std::vector<std::string> words = {TARVIO_CMD_STANDIN};
    std::istringstream parameters(commands::interpreterParameters());
    for (std::string word; parameters >> word;) words.push_back(word);
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child == 0) {
      if (chdir((root / "work").c_str()) != 0 || !freopen(out.c_str(), "w", stdout) ||
          !freopen(err.c_str(), "w", stderr)) {
        _exit(126);
      }
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    Outcome outcome;
    int status = 0;
    if (!waitUntil([&] { return waitpid(child, &status, WNOHANG) != 0; })) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      ADD_FAILURE() << "the interpreter did not end";
    }
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.stdoutText = readHostFile(out);
    outcome.stderrText = readHostFile(err);
    return outcome;
  }

  stdfs::path root;
  std::string record;
};

TEST_F(StandinTest, EchoWritesTheTextUpToTheSignAndCrLfIntoATruncatedFile) {
  writeHostFile(drive() / "Meridano" / "pgpass", std::string(200, 'x'));
  Outcome o = run("echo localhost:5432:tarvio:postgres:plovertin> C:\\Meridano\\pgpass\r\n"
                  "echo caf\xE9 two  > C:\\Meridano\\other.txt\r\n");
  EXPECT_EQ(o.exitCode, 0) << o.stderrText;
  EXPECT_EQ(readHostFile(drive() / "Meridano" / "pgpass"), "localhost:5432:tarvio:postgres:plovertin\r\n");
  // Blanks before the sign belong to the text; the bytes are written as the script holds them.
  EXPECT_EQ(readHostFile(drive() / "Meridano" / "other.txt"), "caf\xE9 two  \r\n");
  // PostgreSQL's client ignores a password file that others may read.
  auto perms = stdfs::status(drive() / "Meridano" / "other.txt").permissions();
  EXPECT_EQ(perms & (stdfs::perms::group_all | stdfs::perms::others_all), stdfs::perms::none);
  EXPECT_EQ(o.stderrText, "");
}

TEST_F(StandinTest, SetIsSeenByLaterProgramsWithDrivePathsMapped) {
  installRecorder("bin/prog.exe");
  Outcome o = run("SET TARVIO_RECORD_VARIABLE=PGPASSFILE\r\n"
                  "C:\\bin\\prog.exe before\r\n"
                  "SET PGPASSFILE=C:\\Meridano\\pgpass\r\n"
                  "C:\\bin\\prog.exe after\r\n"
                  "SET PGPASSWORD=plovertin\r\n"
                  "SET TARVIO_RECORD_VARIABLE=PGPASSWORD\r\n"
                  "C:\\bin\\prog.exe password\r\n"
                  "SET CAMINHO=C:\\a;C:\\b\xE7\r\n"
                  "SET TARVIO_RECORD_VARIABLE=CAMINHO\r\n"
                  "C:\\bin\\prog.exe list\r\n");
  EXPECT_EQ(o.exitCode, 0) << o.stderrText;
  std::string d = drive().string();
  EXPECT_EQ(readHostFile(record), "prog.exe before PGPASSFILE unset\n"
                                  "prog.exe after PGPASSFILE=" + d + "/Meridano/pgpass\n"
                                  "prog.exe password PGPASSWORD=plovertin\n"
                                  "prog.exe list CAMINHO=" + d + "/a;" + d + "/b\xC3\xA7\n");
}

TEST_F(StandinTest, RedirectionTruncatesTheFileAndReceivesTheProgramsOutput) {
  installRecorder("Meridano/Tarvio/pg10/bin/pg_dump");  // found for pg_dump.exe
  writeHostFile(drive() / "Meridano" / "Tarvio" / "backup" / "tarvio.backup", std::string(5000, 'z'));
  Outcome o = run(commands::dumpAttempt(1) + "\r\n");
  EXPECT_EQ(o.exitCode, 0) << o.stderrText;
  EXPECT_EQ(readHostFile(drive() / "Meridano" / "Tarvio" / "backup" / "tarvio.backup"),
            "pg_dump -U postgres -p 5432 -Fc tarvio\n");
  EXPECT_EQ(readHostFile(drive() / "Meridano" / "pgpass"), "localhost:5432:tarvio:postgres:plovertin\r\n");
}

TEST_F(StandinTest, ErrorOutputRedirectionReceivesWhatTheProgramWritesToItsErrorOutput) {
  writeHostFile(drive() / "bin" / "ruidoso.exe", "#!/bin/sh\necho saida\necho erro >&2\nexit 3\n");
  stdfs::permissions(drive() / "bin" / "ruidoso.exe", stdfs::perms::owner_all);
  Outcome o = run("C:\\bin\\ruidoso.exe 2> C:\\erros.log\r\n");
  EXPECT_EQ(o.exitCode, 3);
  EXPECT_EQ(o.stdoutText, "saida\n");
  EXPECT_EQ(readHostFile(drive() / "erros.log"), "erro\n");
  // A "2" at the end of a word is part of the word, and ">" redirects the output.
  writeHostFile(drive() / "bin" / "eco.exe", "#!/bin/sh\necho \"$@\"\n");
  stdfs::permissions(drive() / "bin" / "eco.exe", stdfs::perms::owner_all);
  EXPECT_EQ(run("C:\\bin\\eco.exe a2> C:\\saida.txt\r\n").exitCode, 0);
  EXPECT_EQ(readHostFile(drive() / "saida.txt"), "a2\n");
}

TEST_F(StandinTest, QuotedArgumentIsOneWordWithoutItsQuotes) {
  installRecorder("Meridano/Tarvio/pg10/bin/psql.exe");
  Outcome o = run(commands::endConnectionsScript() + "\r\n",
                  {{"TARVIO_RECORD_VARIABLE", "PGPASSWORD"}});
  EXPECT_EQ(o.exitCode, 0) << o.stderrText;
  EXPECT_EQ(o.stdoutText,
            "psql.exe -U postgres -p 5432 -c SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
            "WHERE datname = 'tarvio'; PGPASSWORD=plovertin\n");
}

TEST_F(StandinTest, SystemToolStandInsRecordTheStopAndStartCalls) {
  installRecorder("Windows/System32/taskkill.exe");
  installRecorder("Windows/System32/net");
  std::string script;
  for (const auto& line : commands::stopServerScripts()) script += line + "\r\n";
  script += commands::startTomcat() + "\r\n";
  Outcome o = run(script);
  EXPECT_EQ(o.exitCode, 0) << o.stderrText;
  EXPECT_EQ(readHostFile(record), "taskkill.exe /f /im Tarvio.exe\n"
                                  "taskkill.exe /f /im Tarvio_Server_Config.exe\n"
                                  "taskkill.exe /f /im tomcat9.exe\n"
                                  "net stop tomcat9\n"
                                  "net start tomcat9\n");
}

TEST_F(StandinTest, BareNameIsLookedUpInTheCurrentFolderThenAlongThePath) {
  stdfs::create_directories(root / "onpath");
  stdfs::copy_file(TARVIO_RECORD_STANDIN, root / "onpath" / "pg_dump");
  stdfs::copy_file(TARVIO_RECORD_STANDIN, root / "onpath" / "other");
  stdfs::copy_file(TARVIO_RECORD_STANDIN, root / "work" / "other.exe");
  std::string path = (root / "onpath").string() + ":" + getenv("PATH");
  Outcome o = run("pg_dump.exe -U postgres -p 5432 -Fc tarvio > C:\\out.backup\r\nother.exe here\r\n",
                  {{"PATH", path}});
  EXPECT_EQ(o.exitCode, 0) << o.stderrText;
  EXPECT_EQ(readHostFile(drive() / "out.backup"), "pg_dump -U postgres -p 5432 -Fc tarvio\n");
  EXPECT_EQ(o.stdoutText, "other.exe here\n") << "the current folder comes first";
}

TEST_F(StandinTest, MissingProgramFailsLikeCmdAndTheScriptGoesOn) {
  writeHostFile(drive() / "out.txt", "old content");
  Outcome o = run("C:\\nowhere\\pg_dump.exe -Fc > C:\\out.txt\r\necho next> C:\\next.txt\r\nnothere.exe\r\n");
  EXPECT_EQ(o.exitCode, 9009 % 256);
  EXPECT_EQ(readHostFile(drive() / "out.txt"), "") << "the redirection is made before the lookup";
  EXPECT_EQ(readHostFile(drive() / "next.txt"), "next\r\n");
  EXPECT_NE(o.stderrText.find("'C:\\nowhere\\pg_dump.exe' is not recognized as an internal or external command,"),
            std::string::npos);
  EXPECT_NE(o.stderrText.find("'nothere.exe' is not recognized"), std::string::npos);
}

TEST_F(StandinTest, ExitCodeIsThatOfTheLastCommand) {
  installRecorder("bin/prog.exe");
  struct Case {
    std::string script;
    int code;
  };
  const Case cases[] = {
      {"C:\\bin\\prog.exe\r\n", 3},
      {"C:\\bin\\prog.exe\r\necho done> C:\\done.txt\r\n", 0},
      {"echo done> C:\\done.txt\r\nC:\\bin\\prog.exe\r\n", 3},
      {"echo x> C:\\missing\\folder\\x.txt\r\n", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.script, {{"TARVIO_RECORD_EXIT_CODE", "3"}}).exitCode, c.code) << c.script;
  }
}

TEST_F(StandinTest, UnknownSyntaxGivesAnErrorLineAndTheNextLineRuns) {
  const std::string lines[] = {"if exist C:\\x echo y", "C:\\a.exe | C:\\b.exe", "C:\\a.exe & C:\\b.exe",
                               "C:\\a.exe < C:\\in", "C:\\a.exe \"open", "start C:\\a.exe",
                               "SET ONLYNAME", "C:\\a.exe >", "echo %PATH%x> C:\\a > C:\\b",
                               "cd C:\\Meridano"};
  for (const std::string& line : lines) {
    std::error_code ec;
    stdfs::remove(drive() / "after.txt", ec);
    Outcome o = run(line + "\r\necho after> C:\\after.txt\r\n");
    EXPECT_EQ(o.exitCode, 0) << line;
    EXPECT_EQ(readHostFile(drive() / "after.txt"), "after\r\n") << line;
    EXPECT_NE(o.stderrText.find("tarvio-cmd: "), std::string::npos) << line;
  }
}

TEST_F(StandinTest, StartBReturnsAtOnceWhileTheProgramRunsOn) {
  installRecorder("Meridano/Tarvio/config/Tarvio_Server_Config.exe");
  std::string go = (root / "go").string();
  // The program records only once the test lets it: the interpreter must have ended before.
  Outcome o = run(commands::startServerConfig() + "\r\n", {{"TARVIO_RECORD_WAIT_FOR", go}});
  EXPECT_EQ(o.exitCode, 0) << o.stderrText;
  EXPECT_FALSE(stdfs::exists(record));
  writeHostFile(go, "");
  EXPECT_TRUE(waitUntil([&] { return !readHostFile(record).empty(); })) << "the program did not record";
  EXPECT_EQ(readHostFile(record), "Tarvio_Server_Config.exe\n");
  EXPECT_EQ(o.stdoutText, "") << "the detached program does not write into the interpreter's output";
}

}  // namespace
}  // namespace tarvio::test
