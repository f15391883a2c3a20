// The JSON reader: parsed values that keep every object member in order and give the texts that
// the login dialog reads.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvio {

class TJSONValue;

struct TJSONPair {
  std::string name;
  std::unique_ptr<TJSONValue> value;
};

class TJSONValue {
 public:
  enum class Kind { String, Number, True, False, Null, Object, Array };

  explicit TJSONValue(Kind kind, std::string raw = {}) : kind_(kind), raw_(std::move(raw)) {}

  Kind kind() const { return kind_; }
  // The text of the value: a string's content with the escapes resolved; a number's digits, a
  // fraction with the user's decimal separator; "true", "false", "null"; empty for an object or array.
  std::string Value() const;
  // On an object: the value of the first member whose name equals `name` exactly (letter case
  // included); nullptr when there is none or this is not an object.
  const TJSONValue* GetValue(std::string_view name) const;

  const std::vector<TJSONPair>& members() const { return members_; }
  const std::vector<std::unique_ptr<TJSONValue>>& elements() const { return elements_; }

 private:
  friend class JSONTreeBuilder;
  Kind kind_;
  std::string raw_;  // a string's content, or a number's text as written
  std::vector<TJSONPair> members_;
  std::vector<std::unique_ptr<TJSONValue>> elements_;
};

// Parses a whole text as one JSON value; nullptr when the text is empty or not valid JSON.
std::unique_ptr<TJSONValue> parseJSON(std::string_view text);

// The value as a JSON object: nullptr stays nullptr, an object passes, any other value raises an
// error with the message "Invalid class typecast".
const TJSONValue* asJSONObject(const TJSONValue* value);

}  // namespace tarvio
