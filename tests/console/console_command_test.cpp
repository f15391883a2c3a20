// The console program's command line: the commands and options, and bad usage told before anything
// runs.
#include "ui/console/console_command.h"

#include <gtest/gtest.h>

namespace tarvio::console {
namespace {

using Args = std::vector<std::string>;
using Kind = ConsoleCommand::Kind;

TEST(ConsoleCommandLine, commands_and_options) {
  EXPECT_EQ(parseConsoleCommand({}).kind, Kind::menu);

  ConsoleCommand plain = parseConsoleCommand({"BACKUP"});
  EXPECT_EQ(plain.kind, Kind::backup);
  EXPECT_TRUE(plain.usageError.empty());
  EXPECT_FALSE(plain.backup.verify);
  EXPECT_FALSE(plain.backup.keep.has_value());
  EXPECT_FALSE(plain.backup.copyTo.has_value());

  for (const Args& args : {Args{"backup", "--verificar", "--manter", "14", "--copiar-para", "\\\\servidor\\copias"},
                           Args{"backup", "--copiar-para=\\\\servidor\\copias", "--MANTER=14", "--Verificar"}}) {
    ConsoleCommand full = parseConsoleCommand(args);
    EXPECT_EQ(full.kind, Kind::backup);
    EXPECT_TRUE(full.usageError.empty()) << full.usageError;
    EXPECT_TRUE(full.backup.verify);
    EXPECT_EQ(full.backup.keep, 14u);
    EXPECT_EQ(full.backup.copyTo, "\\\\servidor\\copias");
  }
  EXPECT_EQ(parseConsoleCommand({"backup", "--copiar-para", "D:\\Cópias"}).backup.copyTo, "D:\\Cópias");

  ConsoleCommand newest = parseConsoleCommand({"verificar"});
  EXPECT_EQ(newest.kind, Kind::verify);
  EXPECT_EQ(newest.backupFile, "");
  EXPECT_EQ(parseConsoleCommand({"Verificar", "C:\\copias\\tarvio-20240305-090703.zip"}).backupFile,
            "C:\\copias\\tarvio-20240305-090703.zip");

  EXPECT_EQ(parseConsoleCommand({"historico"}).historyRuns, 20u);
  EXPECT_EQ(parseConsoleCommand({"histórico", "5"}).historyRuns, 5u);
  for (const Args& args : {Args{"--help"}, Args{"-h"}, Args{"/?"}, Args{"ajuda"}, Args{"backup", "--HELP"}}) {
    EXPECT_EQ(parseConsoleCommand(args).kind, Kind::help) << args.back();
  }
}

TEST(ConsoleCommandLine, bad_usage_says_what_is_wrong) {
  const std::pair<Args, const char*> cases[] = {
      {{"restaurar"}, "comando desconhecido: \"restaurar\"."},
      {{"/backup"}, "comando desconhecido: \"/backup\"."},
      {{"backup", "--manter", "0"}, "--manter precisa de um número inteiro de 1 a 9999, não \"0\"."},
      {{"backup", "--manter", "-3"}, "--manter precisa de um número inteiro de 1 a 9999, não \"-3\"."},
      {{"backup", "--manter=catorze"}, "--manter precisa de um número inteiro de 1 a 9999, não \"catorze\"."},
      {{"backup", "--manter", "10000"}, "--manter precisa de um número inteiro de 1 a 9999, não \"10000\"."},
      {{"backup", "--manter", "1.5"}, "--manter precisa de um número inteiro de 1 a 9999, não \"1.5\"."},
      {{"backup", "--manter"}, "a opção --manter precisa de um valor."},
      {{"backup", "--manter", "2", "--manter", "3"}, "a opção --manter foi dada mais de uma vez."},
      {{"backup", "--verificar", "--verificar"}, "a opção --verificar foi dada mais de uma vez."},
      {{"backup", "--copiar-para"}, "a opção --copiar-para precisa de um valor."},
      {{"backup", "--copiar-para", "copias"},
       "--copiar-para precisa de uma pasta com o caminho completo (D:\\copias ou \\\\servidor\\copias), não \"copias\"."},
      {{"backup", "--copiar-para", "D:copias"},
       "--copiar-para precisa de uma pasta com o caminho completo (D:\\copias ou \\\\servidor\\copias), não \"D:copias\"."},
      {{"backup", "--copiar-para="},
       "--copiar-para precisa de uma pasta com o caminho completo (D:\\copias ou \\\\servidor\\copias), não \"\"."},
      {{"backup", "--verificar=sim"}, "o comando backup não conhece \"--verificar=sim\"."},
      {{"backup", "extra"}, "o comando backup não conhece \"extra\"."},
      {{"verificar", "a.zip", "b.zip"}, "o comando verificar aceita um só arquivo."},
      {{"verificar", "--manter"}, "o comando verificar não conhece \"--manter\"."},
      {{"historico", "0"}, "historico precisa de um número inteiro de 1 a 9999, não \"0\"."},
      {{"historico", "1", "2"}, "o comando historico aceita só o número de execuções."},
  };
  for (const auto& [args, error] : cases) {
    ConsoleCommand command = parseConsoleCommand(args);
    EXPECT_EQ(command.usageError, error) << args.back();
  }
}

TEST(ConsoleCommandLine, one_exit_code_for_each_outcome) {
  EXPECT_EQ(exitCodeOf(CommandOutcome::success), 0);
  EXPECT_EQ(exitCodeOf(CommandOutcome::backupFailed), 1);
  EXPECT_EQ(exitCodeOf(CommandOutcome::anotherRunInProgress), 3);
  EXPECT_EQ(exitCodeOf(CommandOutcome::drillFailed), 4);
  EXPECT_EQ(exitCodeOf(CommandOutcome::copyFailed), 5);
  // The help's table holds every code with its meaning.
  std::vector<std::string> help = helpLines("tarvio-backup-cli");
  for (int code = 0; code <= 5; ++code) {
    std::string row = "  " + std::to_string(code) + "  " + std::string(exitCodeMeaning(code));
    bool found = false;
    for (const auto& line : help) found = found || line.rfind(row, 0) == 0;
    EXPECT_TRUE(found) << row;
  }
}

}  // namespace
}  // namespace tarvio::console
