// The history file's lines, their writing and reading, and the events of the runs.
#include "history/run_history.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/paths.h"
#include "platform/platform.h"

namespace tarvio::history {

namespace {

constexpr size_t fieldCount = 8;
// The history read from its end: the most that `historico` looks at.
constexpr uint64_t tailBytes = 8u << 20;

RunOrigin currentOrigin = RunOrigin::window;

template <class E, size_t N>
std::optional<E> fromText(std::string_view text, const E (&values)[N], std::string_view (*toText)(E)) {
  for (E value : values) {
    if (toText(value) == text) return value;
  }
  return std::nullopt;
}

constexpr RunKind allKinds[] = {RunKind::backup, RunKind::safetyBackup, RunKind::restore, RunKind::drill, RunKind::copy};
constexpr RunOrigin allOrigins[] = {RunOrigin::window, RunOrigin::windowArgument, RunOrigin::consoleMenu,
                                    RunOrigin::commandLine};
constexpr Outcome allOutcomes[] = {Outcome::success, Outcome::failure, Outcome::cancelled, Outcome::refused};

std::string escaped(std::string_view text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '%') {
      out += '%';
      out += hex[u >> 4];
      out += hex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> unescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int high = hexDigit(text[i + 1]);
    int low = hexDigit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::string timeText(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::optional<LocalTime> parseTime(std::string_view text) {
  LocalTime t;
  char tail = 0;
  std::string s(text);
  if (s.size() != 19 || std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &t.year, &t.month, &t.day, &t.hour,
                                    &t.minute, &t.second, &tail) != 6) {
    return std::nullopt;
  }
  return t;
}

std::string secondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", std::max(0.0, seconds));
  return text;
}

bool allDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string_view> split(std::string_view line, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t at = line.find(separator); at != std::string_view::npos; at = line.find(separator, start)) {
    parts.push_back(line.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(line.substr(start));
  return parts;
}

// "12,3 s" or "4 min 05 s".
std::string durationWords(double seconds) {
  char text[48];
  if (seconds < 60) {
    std::snprintf(text, sizeof text, "%.1f s", std::max(0.0, seconds));
    for (char* p = text; *p; ++p) {
      if (*p == '.') *p = ',';
    }
  } else {
    long whole = std::lround(seconds);
    std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

std::string_view kindText(RunKind kind) {
  switch (kind) {
    case RunKind::backup: return "backup";
    case RunKind::safetyBackup: return "backup de segurança";
    case RunKind::restore: return "restauração";
    case RunKind::drill: return "verificação";
    case RunKind::copy: return "cópia";
  }
  return "";
}

std::string_view originText(RunOrigin origin) {
  switch (origin) {
    case RunOrigin::window: return "janela";
    case RunOrigin::windowArgument: return "argumento backup";
    case RunOrigin::consoleMenu: return "console";
    case RunOrigin::commandLine: return "linha de comando";
  }
  return "";
}

std::string_view outcomeText(Outcome outcome) {
  switch (outcome) {
    case Outcome::success: return "sucesso";
    case Outcome::failure: return "falha";
    case Outcome::cancelled: return "cancelada";
    case Outcome::refused: return "recusada";
  }
  return "";
}

std::string formatLine(const Entry& e) {
  std::string line = timeText(e.started);
  const std::string archive = escaped(e.archive);
  for (std::string_view field : {kindText(e.kind), originText(e.origin), outcomeText(e.outcome), std::string_view(archive)}) {
    line += '\t';
    line += field;
  }
  line += '\t';
  if (e.archiveBytes) line += std::to_string(*e.archiveBytes);
  line += '\t' + secondsText(e.seconds);
  line += '\t' + escaped(e.error);
  return line;
}

std::optional<Entry> parseLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  std::vector<std::string_view> f = split(line, '\t');
  if (f.size() != fieldCount) return std::nullopt;
  Entry e;
  auto started = parseTime(f[0]);
  auto kind = fromText(f[1], allKinds, kindText);
  auto origin = fromText(f[2], allOrigins, originText);
  auto outcome = fromText(f[3], allOutcomes, outcomeText);
  auto archive = unescaped(f[4]);
  auto error = unescaped(f[7]);
  if (!started || !kind || !origin || !outcome || !archive || !error) return std::nullopt;
  if (!f[5].empty() && !allDigits(f[5])) return std::nullopt;
  std::string seconds(f[6]);
  char* end = nullptr;
  double value = std::strtod(seconds.c_str(), &end);
  if (seconds.empty() || end != seconds.c_str() + seconds.size()) return std::nullopt;
  e.started = *started;
  e.kind = *kind;
  e.origin = *origin;
  e.outcome = *outcome;
  e.archive = *archive;
  if (!f[5].empty()) e.archiveBytes = std::stoll(std::string(f[5]));
  e.seconds = value;
  e.error = *error;
  return e;
}

namespace {

// Whether the file ends inside a line (cut short by a power loss, or edited by hand): the next
// line then needs a line break of its own before it, or it would be read as part of that one.
bool endsInsideALine(std::string_view path) {
  if (!fs().fileExists(path)) return false;
  auto in = fs().openRead(path);
  const int64_t size = in->size();
  char last = '\n';
  return size > 0 && in->readAt(static_cast<uint64_t>(size - 1), &last, 1) == 1 && last != '\n';
}

}  // namespace

void append(const Entry& entry) {
  if (!fs().directoryExists(paths::backupDir)) fs().createDirectory(paths::backupDir);
  const std::string line = formatLine(entry) + "\r\n";
  fs().appendWhole(paths::historyFile, endsInsideALine(paths::historyFile) ? "\r\n" + line : line);
}

Recent readRecent(size_t count) {
  Recent recent;
  if (!fs().fileExists(paths::historyFile) || count == 0) return recent;
  auto in = fs().openRead(paths::historyFile);
  auto size = static_cast<uint64_t>(std::max<int64_t>(in->size(), 0));
  uint64_t from = size > tailBytes ? size - tailBytes : 0;
  std::string text(static_cast<size_t>(size - from), '\0');
  text.resize(in->readAt(from, text.data(), text.size()));
  // Read from the middle of the file: the first, partial line is not one.
  if (from > 0) text.erase(0, std::min(text.size(), text.find('\n') + 1));

  std::vector<std::string_view> lines;
  for (std::string_view line : split(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) lines.push_back(line);
  }
  size_t first = lines.size() > count ? lines.size() - count : 0;
  for (size_t i = first; i < lines.size(); ++i) {
    if (auto entry = parseLine(lines[i])) {
      recent.entries.push_back(std::move(*entry));
    } else {
      ++recent.unreadableLines;
    }
  }
  return recent;
}

uint32_t eventIdOf(const Entry& entry) {
  switch (entry.outcome) {
    case Outcome::success: return event::success;
    case Outcome::cancelled: return event::cancelled;
    case Outcome::failure:
    case Outcome::refused: break;
  }
  if (entry.kind == RunKind::drill) return event::drillFailed;
  if (entry.kind == RunKind::copy) return event::copyFailed;
  return event::failure;
}

EventSeverity severityOf(const Entry& entry) {
  switch (entry.outcome) {
    case Outcome::success: return EventSeverity::information;
    case Outcome::cancelled: return EventSeverity::warning;
    case Outcome::failure:
    case Outcome::refused: break;
  }
  return EventSeverity::error;
}

std::string eventText(const Entry& e) {
  std::string kind(kindText(e.kind));
  kind[0] = static_cast<char>(kind[0] - 'a' + 'A');  // every kind begins with an ASCII letter
  std::string text = kind + " (" + std::string(originText(e.origin)) + "): " + std::string(outcomeText(e.outcome)) + ".";
  if (!e.archive.empty()) {
    text += "\r\nArquivo: " + e.archive;
    if (e.archiveBytes) text += " (" + std::to_string(*e.archiveBytes) + " bytes)";
  }
  text += "\r\nInício: " + timeText(e.started) + ", duração: " + durationWords(e.seconds);
  if (!e.error.empty()) text += "\r\nErro: " + e.error;
  return text;
}

void setRunOrigin(RunOrigin origin) { currentOrigin = origin; }
RunOrigin runOrigin() { return currentOrigin; }

}  // namespace tarvio::history
