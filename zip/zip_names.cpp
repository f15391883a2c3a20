// Entry-name encoding, the attribute filter and the safety checks.
#include "zip/zip_names.h"

#include <algorithm>
#include <array>

#include "common/utf8.h"
#include "platform/platform.h"

namespace tarvio::zip {

namespace {

bool isDeviceName(std::string_view part) {
  // Windows treats "con.txt" and "con " as the device too: compare the part before any dot.
  std::string base;
  for (char c : part) {
    if (c == '.') break;
    base.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
  }
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static constexpr std::array<std::string_view, 6> fixed{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (auto f : fixed) {
    if (base == f) return true;
  }
  if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
      base[3] >= '0' && base[3] <= '9') {
    return true;
  }
  // COM and LPT with superscript one, two and three.
  if (base.size() == 5 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
      static_cast<unsigned char>(base[3]) == 0xC2) {
    auto d = static_cast<unsigned char>(base[4]);
    return d == 0xB9 || d == 0xB2 || d == 0xB3;
  }
  return false;
}

}  // namespace

StoredName encodeEntryName(std::string_view utf8Name) {
  Encoded oem = codePages().toOem(utf8Name);
  bool ascii = std::all_of(utf8Name.begin(), utf8Name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  // With UTF-8 as the OEM page (Windows' "Beta: UTF-8"), the OEM bytes of a non-ASCII name are its
  // UTF-8 bytes: other readers know that only from the flag.
  bool oemIsUtf8 = !ascii && oem.bytes == utf8Name;
  if (oem.exact && !oemIsUtf8 && codePages().fromOem(oem.bytes) == utf8Name) {
    return StoredName{std::move(oem.bytes), false};
  }
  return StoredName{std::string(utf8Name), true};
}

std::optional<std::string> decodeEntryName(std::string_view bytes, bool utf8) {
  if (utf8) {
    if (!isValidUtf8(bytes)) return std::nullopt;
    return std::string(bytes);
  }
  bool ascii = true;
  for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(bytes);
  return codePages().fromOem(bytes);
}

bool attributesPass(uint32_t attributes, uint32_t filter) {
  constexpr uint32_t ordinary = 0x28BF & ~0x10u;
  if ((attributes & (ordinary | 0x10u | 0x100 | 0x200 | 0x400 | 0x1000 | 0x4000)) == 0) return true;
  return (attributes & filter & ~0x10u) != 0;
}

std::string printableName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      static constexpr char hex[] = "0123456789abcdef";
      out += "\\x";
      out.push_back(hex[u >> 4]);
      out.push_back(hex[u & 0xF]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::optional<std::string> unsafeNameReason(std::string_view name) {
  if (name.empty()) return "the name is empty";
  if (name.front() == '/' || name.front() == '\\') return "the name is an absolute path";
  if (name.size() >= 2 && name[1] == ':') return "the name starts with a drive letter";
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20) return "the name holds a control character";
    if (c == ':') return "the name holds a colon (a drive or an alternate data stream)";
    if (c == '\\') return "the name holds a backslash";
    if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') {
      return std::string("the name holds the character '") + c + "'";
    }
  }
  if (!isValidUtf8(name)) return "the name is not valid UTF-8";
  std::string_view rest = name;
  if (rest.back() == '/') rest.remove_suffix(1);  // a folder entry
  while (true) {
    size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    if (part.empty()) return "the name holds an empty path part";
    if (part.find_first_not_of(". ") == std::string_view::npos) return "the name holds a \"..\" or \".\" part";
    if (isDeviceName(part)) return "the name is a device name";
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return std::nullopt;
}

}  // namespace tarvio::zip
