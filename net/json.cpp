// The JSON reader, built on nlohmann/json's event (SAX) parser so that every member of an object
// is kept in order, duplicates included, and a fraction keeps its digits as written.
#include "net/json.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "platform/locale_number.h"

namespace tarvio {

std::string TJSONValue::Value() const {
  switch (kind_) {
    case Kind::String:
      return raw_;
    case Kind::Number: {
      std::string text = raw_;
      char separator = localeDecimalSeparator();
      for (char& c : text) {
        if (c == '.') c = separator;
      }
      return text;
    }
    case Kind::True:
      return "true";
    case Kind::False:
      return "false";
    case Kind::Null:
      return "null";
    case Kind::Object:
    case Kind::Array:
      break;
  }
  return {};
}

const TJSONValue* TJSONValue::GetValue(std::string_view name) const {
  for (const auto& member : members_) {
    if (member.name == name) return member.value.get();
  }
  return nullptr;
}

// Receives the parser's events and grows the tree of values.
class JSONTreeBuilder {
 public:
  using number_integer_t = nlohmann::json::number_integer_t;
  using number_unsigned_t = nlohmann::json::number_unsigned_t;
  using number_float_t = nlohmann::json::number_float_t;
  using string_t = nlohmann::json::string_t;
  using binary_t = nlohmann::json::binary_t;

  std::unique_ptr<TJSONValue> root;

  bool null() { return add(TJSONValue::Kind::Null); }
  bool boolean(bool value) { return add(value ? TJSONValue::Kind::True : TJSONValue::Kind::False); }
  bool number_integer(number_integer_t value) { return add(TJSONValue::Kind::Number, std::to_string(value)); }
  bool number_unsigned(number_unsigned_t value) { return add(TJSONValue::Kind::Number, std::to_string(value)); }
  bool number_float(number_float_t, const string_t& text) { return add(TJSONValue::Kind::Number, text); }
  bool string(string_t& value) { return add(TJSONValue::Kind::String, value); }
  bool binary(binary_t&) { return false; }
  bool start_object(std::size_t) { return open(TJSONValue::Kind::Object); }
  bool key(string_t& name) {
    pendingKey_ = name;
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(TJSONValue::Kind::Array); }
  bool end_array() { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

 private:
  TJSONValue* place(std::unique_ptr<TJSONValue> value) {
    TJSONValue* raw = value.get();
    if (stack_.empty()) {
      root = std::move(value);
    } else if (stack_.back()->kind_ == TJSONValue::Kind::Object) {
      stack_.back()->members_.push_back(TJSONPair{pendingKey_, std::move(value)});
    } else {
      stack_.back()->elements_.push_back(std::move(value));
    }
    return raw;
  }
  bool add(TJSONValue::Kind kind, std::string raw = {}) {
    place(std::make_unique<TJSONValue>(kind, std::move(raw)));
    return true;
  }
  bool open(TJSONValue::Kind kind) {
    stack_.push_back(place(std::make_unique<TJSONValue>(kind)));
    return true;
  }
  bool close() {
    stack_.pop_back();
    return true;
  }

  std::vector<TJSONValue*> stack_;
  std::string pendingKey_;
};

std::unique_ptr<TJSONValue> parseJSON(std::string_view text) {
  JSONTreeBuilder builder;
  bool ok = false;
  try {
    ok = nlohmann::json::sax_parse(text.begin(), text.end(), &builder);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) return nullptr;
  return std::move(builder.root);
}

const TJSONValue* asJSONObject(const TJSONValue* value) {
  if (value && value->kind() != TJSONValue::Kind::Object) throw std::runtime_error("Invalid class typecast");
  return value;
}

}  // namespace tarvio
