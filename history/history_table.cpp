// The history table.
#include "history/history_table.h"

#include <cmath>
#include <cstdio>

namespace tarvio::history {

namespace {

// Characters on the screen: one per UTF-8 code point.
size_t shownWidth(const std::string& text) {
  size_t width = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  }
  return width;
}

std::string padded(const std::string& text, size_t width) {
  std::string cell = text;
  size_t shown = shownWidth(text);
  if (shown < width) cell.append(width - shown, ' ');
  return cell;
}

std::string startText(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

// The error on one line: its line breaks and other control characters shown as blanks.
std::string oneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    if (!control) {
      line += c;
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
  }
  return line;
}

}  // namespace

std::string sizeWords(int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, value < 100 ? "%.1f %s" : "%.0f %s", value, units[unit]);
  for (char* p = text; *p; ++p) {
    if (*p == '.') *p = ',';
  }
  return text;
}

std::string clockDuration(double seconds) {
  long whole = std::lround(std::max(0.0, seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

std::vector<std::string> tableLines(const Recent& recent) {
  std::vector<std::string> lines;
  if (recent.entries.empty() && recent.unreadableLines == 0) {
    lines.push_back("Nenhuma execução registrada no histórico.");
    return lines;
  }
  const std::vector<std::string> header{"Início", "Tipo", "Iniciado por", "Resultado", "Duração", "Tamanho", "Arquivo"};
  std::vector<std::vector<std::string>> rows;
  for (const auto& e : recent.entries) {
    rows.push_back({startText(e.started), std::string(kindText(e.kind)), std::string(originText(e.origin)),
                    std::string(outcomeText(e.outcome)), clockDuration(e.seconds),
                    e.archiveBytes ? sizeWords(*e.archiveBytes) : "-", e.archive.empty() ? "-" : e.archive});
  }
  std::vector<size_t> widths;
  for (const auto& title : header) widths.push_back(shownWidth(title));
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], shownWidth(row[i]));
  }
  auto render = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i + 1 < cells.size()) {
        line.append(padded(cells[i], widths[i])).append("  ");
      } else {
        line.append(cells[i]);
      }
    }
    return line;
  };
  lines.push_back(render(header));
  for (size_t i = 0; i < rows.size(); ++i) {
    lines.push_back(render(rows[i]));
    if (!recent.entries[i].error.empty()) {
      std::string errorLine = "    erro: ";
      errorLine.append(oneLine(recent.entries[i].error));
      lines.push_back(std::move(errorLine));
    }
  }
  if (recent.unreadableLines > 0) {
    // Appended piece by piece: GCC 12 at -O3 warns wrongly (-Wrestrict) on "..." + std::string.
    std::string note = "(";
    note.append(std::to_string(recent.unreadableLines)).append(" linha(s) do histórico não puderam ser lidas e foram omitidas.)");
    lines.push_back(std::move(note));
  }
  return lines;
}

}  // namespace tarvio::history
