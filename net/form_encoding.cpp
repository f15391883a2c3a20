// Percent-encoding and the form-encoded body of a POST request.
#include "net/form_encoding.h"

namespace tarvio {

namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_';
}

}  // namespace

std::string percentEncode(std::string_view utf8) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  for (char ch : utf8) {
    auto c = static_cast<unsigned char>(ch);
    if (isUnreserved(c)) {
      out += ch;
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 0x0F];
    }
  }
  return out;
}

std::string formEncodedText(const TRESTRequestParameterList& params) {
  std::string body;
  bool first = true;
  for (const auto& p : params.items()) {
    if (p.kind != TRESTRequestParameterKind::pkGETorPOST) continue;
    if (!first) body += '&';
    first = false;
    if (p.options.has(TRESTRequestParameterOption::poDoNotEncode)) {
      body += p.name + "=" + p.value;
    } else {
      body += percentEncode(p.name) + "=" + percentEncode(p.value);
    }
  }
  return body;
}

}  // namespace tarvio
