// The error display: innermost non-empty message and the period rule.
#include "app/error_display.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "common/silent_abort.h"
#include "platform/platform.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/scoped_platform.h"

namespace tarvio {
namespace {

std::exception_ptr errorWith(const std::string& message) {
  return std::make_exception_ptr(std::runtime_error(message));
}

TEST(error_display, period_rule) {
  struct Case {
    std::string message;
    std::string shown;
  };
  const Case cases[] = {
      {"Falhou", "Falhou."},
      {"Código 42", "Código 42."},
      {"Pergunta?", "Pergunta?."},
      {"Lista:", "Lista:."},
      {"Fim.", "Fim."},
      {"Fim!", "Fim!"},
      {"(entre parênteses)", "(entre parênteses)"},
      {"traço-", "traço-"},
      {"espaço ", "espaço "},
      {"não é válido: ação", "não é válido: ação."},
      {"termina em acento é", "termina em acento é."},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(errorDisplayText(errorWith(c.message)), c.shown) << c.message;
  }
}

TEST(error_display, innermost_non_empty_message_wins) {
  auto nested = [](auto inner, const std::string& outer) {
    try {
      try {
        inner();
      } catch (...) {
        std::throw_with_nested(std::runtime_error(outer));
      }
    } catch (...) {
      return std::current_exception();
    }
    return std::exception_ptr();
  };
  auto deep = nested([] { throw std::runtime_error("Disco cheio"); }, "Falha ao gravar");
  EXPECT_EQ(errorDisplayText(deep), "Disco cheio.");

  auto emptyInner = nested([] { throw std::runtime_error(""); }, "Falha ao gravar");
  EXPECT_EQ(errorDisplayText(emptyInner), "Falha ao gravar.");

  auto twoLevels = nested(
      [&] { std::rethrow_exception(nested([] { throw std::runtime_error("raiz"); }, "meio")); },
      "topo");
  EXPECT_EQ(errorDisplayText(twoLevels), "raiz.");
}

TEST(error_display, run_handler_shows_errors_and_drops_the_silent_abort) {
  test::FakeDesktop desktop;
  test::ScopedPlatform installed(Platform{nullptr, nullptr, nullptr, &desktop, nullptr});

  EXPECT_TRUE(runHandler([] {}));
  EXPECT_FALSE(runHandler([] { throw SilentAbort(); }));
  EXPECT_TRUE(desktop.calls.empty());
  EXPECT_FALSE(runHandler([] { throw std::runtime_error("The specified file was not found"); }));
  ASSERT_EQ(desktop.calls.size(), 1u);
  EXPECT_EQ(desktop.calls[0], "error: The specified file was not found.");
}

}  // namespace
}  // namespace tarvio
