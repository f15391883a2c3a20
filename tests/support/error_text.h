// The text of the error that an action raises, for tests that check what the user is told.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <typeinfo>

namespace tarvio::test {

// The message of the error of type E (any std::exception by default) that the action raises;
// "(no error)" when it raises none. An error of another type passes through and fails the test.
template <class E = std::exception>
std::string errorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace tarvio::test
