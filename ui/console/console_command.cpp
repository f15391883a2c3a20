// The console program's command line.
#include "ui/console/console_command.h"

#include <algorithm>

#include "common/ascii.h"
#include "common/paths.h"

namespace tarvio::console {

namespace {

constexpr size_t mostRunsKept = 9999;

bool isHelp(const std::string& argument) {
  std::string word = lowerAscii(argument);
  return word == "--help" || word == "-h" || word == "/?" || word == "ajuda";
}

// A whole number from 1 to mostRunsKept; 0 otherwise.
size_t countOf(const std::string& text) {
  if (text.empty() || text.size() > 4 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  return static_cast<size_t>(std::stoul(text));
}

// A folder named in full: "D:\copias", "\\servidor\copias" (and on POSIX "/srv/copias").
bool isFullFolder(const std::string& path) {
  bool drive = path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
               path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  bool share = path.size() > 2 && path[0] == '\\' && path[1] == '\\';
#ifdef _WIN32
  return drive || share;
#else
  return drive || share || path[0] == '/';
#endif
}

// Reads the options that follow a command: "--name value", "--name=value" or a flag "--name".
class OptionReader {
 public:
  OptionReader(const std::vector<std::string>& arguments, ConsoleCommand& command)
      : args_(arguments), command_(command) {}

  // The next argument as an option's name (lower case) and its value if it was given with "=".
  bool next(std::string& name, std::string& inlineValue, bool& hasInlineValue) {
    if (at_ >= args_.size()) return false;
    const std::string& arg = args_[at_++];
    size_t equals = arg.find('=');
    hasInlineValue = arg.rfind("--", 0) == 0 && equals != std::string::npos;
    name = lowerAscii(hasInlineValue ? arg.substr(0, equals) : arg);
    inlineValue = hasInlineValue ? arg.substr(equals + 1) : std::string();
    original_ = arg;
    return true;
  }
  // The value of an option that takes one.
  bool value(const std::string& name, const std::string& inlineValue, bool hasInlineValue, std::string& out) {
    if (hasInlineValue) {
      out = inlineValue;
      return true;
    }
    if (at_ >= args_.size()) {
      fail("a opção " + name + " precisa de um valor.");
      return false;
    }
    out = args_[at_++];
    return true;
  }
  void fail(const std::string& why) {
    if (command_.usageError.empty()) command_.usageError = why;
  }
  const std::string& original() const { return original_; }

 private:
  const std::vector<std::string>& args_;
  ConsoleCommand& command_;
  size_t at_ = 1;
  std::string original_;
};

void readBackupOptions(const std::vector<std::string>& arguments, ConsoleCommand& command) {
  OptionReader options(arguments, command);
  std::string name, inlineValue, value;
  bool hasInline = false;
  while (command.usageError.empty() && options.next(name, inlineValue, hasInline)) {
    if (name == "--verificar" && !hasInline) {
      if (command.backup.verify) options.fail("a opção --verificar foi dada mais de uma vez.");
      command.backup.verify = true;
    } else if (name == "--manter") {
      if (!options.value(name, inlineValue, hasInline, value)) break;
      size_t keep = countOf(value);
      if (command.backup.keep) options.fail("a opção --manter foi dada mais de uma vez.");
      if (keep == 0) {
        options.fail("--manter precisa de um número inteiro de 1 a " + std::to_string(mostRunsKept) + ", não \"" + value +
                     "\".");
      }
      command.backup.keep = keep;
    } else if (name == "--copiar-para") {
      if (!options.value(name, inlineValue, hasInline, value)) break;
      if (command.backup.copyTo) options.fail("a opção --copiar-para foi dada mais de uma vez.");
      if (!isFullFolder(value)) {
        options.fail("--copiar-para precisa de uma pasta com o caminho completo (D:\\copias ou \\\\servidor\\copias), "
                     "não \"" + value + "\".");
      }
      command.backup.copyTo = value;
    } else {
      options.fail("o comando backup não conhece \"" + options.original() + "\".");
    }
  }
}

}  // namespace

ConsoleCommand parseConsoleCommand(const std::vector<std::string>& arguments) {
  ConsoleCommand command;
  if (arguments.empty()) return command;
  if (std::any_of(arguments.begin(), arguments.end(), isHelp)) {
    command.kind = ConsoleCommand::Kind::help;
    return command;
  }
  std::string word = lowerAscii(arguments[0]);
  if (word == "backup") {
    command.kind = ConsoleCommand::Kind::backup;
    readBackupOptions(arguments, command);
  } else if (word == "verificar") {
    command.kind = ConsoleCommand::Kind::verify;
    if (arguments.size() > 2) {
      command.usageError = "o comando verificar aceita um só arquivo.";
    } else if (arguments.size() == 2) {
      if (arguments[1].rfind("--", 0) == 0) {
        command.usageError = "o comando verificar não conhece \"" + arguments[1] + "\".";
      }
      command.backupFile = arguments[1];
    }
  } else if (word == "historico" || word == "histórico") {
    command.kind = ConsoleCommand::Kind::history;
    if (arguments.size() > 2) {
      command.usageError = "o comando historico aceita só o número de execuções.";
    } else if (arguments.size() == 2) {
      command.historyRuns = countOf(arguments[1]);
      if (command.historyRuns == 0) {
        command.usageError = "historico precisa de um número inteiro de 1 a " + std::to_string(mostRunsKept) +
                             ", não \"" + arguments[1] + "\".";
      }
    }
  } else {
    command.usageError = "comando desconhecido: \"" + arguments[0] + "\".";
  }
  return command;
}

std::vector<std::string> helpLines(std::string_view program) {
  const std::string p(program);
  const std::string backups(paths::backupDir);
  return {
      "Uso:",
      "  " + p,
      "      abre o menu: Efetuar Backup, Restaurar Backup, Backups Efetuados.",
      "  " + p + " backup [--verificar] [--manter N] [--copiar-para PASTA]",
      "      efetua um backup sem perguntar nada, mostra as linhas de status e termina com o código do resultado.",
      "      --verificar          verifica o backup feito: restaura-o num banco de dados de verificação",
      "                           (" + std::string(paths::drillDatabaseName) +
          "), conta as tabelas e as linhas e apaga-o; o banco de dados",
      "                           \"" + std::string(paths::databaseName) + "\" e o servidor não são tocados.",
      "      --manter N           depois de um backup bem-sucedido (e verificado, com --verificar), apaga os",
      "                           backups mais antigos que os N mais recentes (só arquivos tarvio-AAAAMMDD-HHMMSS.zip)",
      "                           em " + backups + " e na pasta da cópia; nunca o backup recém-feito.",
      "      --copiar-para PASTA  copia o backup para outra pasta (outro disco ou \\\\servidor\\pasta) e confere a cópia.",
      "  " + p + " verificar [ARQUIVO]",
      "      verifica um backup como --verificar (sem ARQUIVO: o mais recente em " + backups + ").",
      "  " + p + " historico [N]",
      "      mostra as N últimas execuções registradas em " + std::string(paths::historyFile) + " (20 sem N).",
      "  " + p + " --help",
      "      mostra este texto.",
      "",
      "Códigos de saída:",
      "  0  sucesso",
      "  1  o backup falhou",
      "  2  uso incorreto ou ambiente inválido",
      "  3  outro backup ou restauração em andamento neste servidor",
      "  4  a verificação falhou",
      "  5  a cópia falhou (o backup continua em " + backups + ")",
  };
}

int exitCodeOf(CommandOutcome outcome) {
  switch (outcome) {
    case CommandOutcome::success: return exit_code::success;
    case CommandOutcome::backupFailed: return exit_code::backupFailed;
    case CommandOutcome::anotherRunInProgress: return exit_code::anotherRunInProgress;
    case CommandOutcome::drillFailed: return exit_code::drillFailed;
    case CommandOutcome::copyFailed: return exit_code::copyFailed;
  }
  return exit_code::backupFailed;
}

std::string_view exitCodeMeaning(int code) {
  switch (code) {
    case exit_code::success: return "sucesso";
    case exit_code::backupFailed: return "o backup falhou";
    case exit_code::badUsage: return "uso incorreto ou ambiente inválido";
    case exit_code::anotherRunInProgress: return "outro backup ou restauração em andamento";
    case exit_code::drillFailed: return "a verificação falhou";
    case exit_code::copyFailed: return "a cópia falhou";
  }
  return "";
}

}  // namespace tarvio::console
