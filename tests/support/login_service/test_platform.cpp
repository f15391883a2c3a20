// A platform for tests of the login.
#include "tests/support/login_service/test_platform.h"

#include <stdexcept>

#include "platform/native.h"

namespace tarvio::test {

namespace {

// Windows-1252 for the characters up to U+00FF (its Latin-1 part), for a build whose own code
// pages are not there yet. The tests use only letters of that part.
class Latin1CodePages : public CodePages {
 public:
  Encoded toAnsi(std::string_view utf8) const override {
    Encoded out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      auto c = static_cast<unsigned char>(utf8[i]);
      if (c < 0x80) {
        out.bytes += static_cast<char>(c);
      } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
        out.bytes += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
      } else {
        out.bytes += '?';
        out.exact = false;
        while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
      }
    }
    return out;
  }
  std::string fromAnsi(std::string_view bytes) const override {
    std::string out;
    for (char ch : bytes) {
      auto c = static_cast<unsigned char>(ch);
      if (c < 0x80) {
        out += ch;
      } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    return out;
  }
  Encoded toOem(std::string_view) const override { throw std::logic_error("not used by the login tests"); }
  std::string fromOem(std::string_view) const override { throw std::logic_error("not used by the login tests"); }
};

std::unique_ptr<CodePages> systemCodePages() {
  try {
    return makeNativeCodePages();
  } catch (const std::exception&) {
    return std::make_unique<Latin1CodePages>();
  }
}

}  // namespace

LoginTestPlatform::LoginTestPlatform() : codePages_(systemCodePages()), previous_(platform()) {
  Platform p = previous_;
  p.codePages = codePages_.get();
  p.desktop = &desktop;
  p.clock = &clock;
  installPlatform(p);
}

LoginTestPlatform::~LoginTestPlatform() { installPlatform(previous_); }

}  // namespace tarvio::test
