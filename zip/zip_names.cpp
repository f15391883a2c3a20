// Entry-name encoding, identity, masks and safety checks.
#include "zip/zip_names.h"

#include <array>
#include <vector>

#include "platform/platform.h"

namespace tarvio::zip {

namespace {

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i, or -1 when invalid.
long decodeOne(std::string_view s, size_t& i) {
  auto c = static_cast<unsigned char>(s[i]);
  int extra = 0;
  long cp = 0;
  if (c < 0x80) {
    ++i;
    return c;
  } else if ((c & 0xE0) == 0xC0) {
    extra = 1;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3;
    cp = c & 0x07;
  } else {
    return -1;
  }
  if (i + extra >= s.size()) return -1;
  for (int k = 1; k <= extra; ++k) {
    auto cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (cc & 0x3F);
  }
  static constexpr std::array<long, 4> minimum{0, 0x80, 0x800, 0x10000};
  if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  i += extra + 1;
  return cp;
}

void appendUtf8(std::string& out, long cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Lower case for the letters Windows names use: ASCII, Latin-1 and Latin Extended-A.
long foldCase(long cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  if (cp >= 0x100 && cp <= 0x17F && cp != 0x130 && cp != 0x131 && cp != 0x138 && cp != 0x149 &&
      cp != 0x17F) {
    bool evenIsUpper = !((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E));
    bool isEven = cp % 2 == 0;
    if (isEven == evenIsUpper) return cp + 1;
  }
  return cp;
}

std::vector<long> foldedCodePoints(std::string_view s) {
  std::vector<long> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    long cp = decodeOne(s, i);
    if (cp < 0) {
      cp = 0xDC00 + static_cast<unsigned char>(s[i]);  // keeps a stray byte distinct
      ++i;
    }
    out.push_back(foldCase(cp));
  }
  return out;
}

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

bool isValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    if (decodeOne(s, i) < 0) return false;
  }
  return true;
}

StoredName encodeEntryName(std::string_view utf8Name) {
  Encoded oem = codePages().toOem(utf8Name);
  if (oem.exact && codePages().fromOem(oem.bytes) == utf8Name) return StoredName{std::move(oem.bytes), false};
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

std::string nameKey(std::string_view utf8Name) {
  std::string out;
  out.reserve(utf8Name.size());
  for (long cp : foldedCodePoints(utf8Name)) appendUtf8(out, cp);
  return out;
}

bool hasWildcards(std::string_view mask) { return mask.find_first_of("*?") != std::string_view::npos; }

bool maskMatches(std::string_view mask, std::string_view name) {
  if (mask == "*.*" || mask == "*") return true;
  std::vector<long> p = foldedCodePoints(mask);
  std::vector<long> n = foldedCodePoints(name);
  // Iterative wildcard matching with one backtracking point for the last "*".
  size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  // "name.*" also matches "name", as on Windows.
  if (pi + 2 == p.size() && p[pi] == '.' && p[pi + 1] == '*') return true;
  return pi == p.size();
}

bool attributesPass(uint32_t attributes, uint32_t filter) {
  constexpr uint32_t ordinary = 0x28BF & ~0x10u;
  if ((attributes & (ordinary | 0x10u | 0x100 | 0x200 | 0x400 | 0x1000 | 0x4000)) == 0) return true;
  return (attributes & filter & ~0x10u) != 0;
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
