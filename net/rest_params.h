// The REST request's parameter lists: the form fields (Params) and the request's own headers.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace tarvio {

enum class TRESTRequestParameterKind {
  pkGETorPOST,   // a form field: in a POST it goes into the form-encoded body
  pkHTTPHEADER,  // a request header
};

enum class TRESTRequestParameterOption {
  poDoNotEncode,  // name and value are sent unchanged, without percent-encoding
  poTransient,    // the entry belongs to the request's own header list (AddAuthParameter)
};

// A small set of parameter options.
class TRESTRequestParameterOptions {
 public:
  TRESTRequestParameterOptions() = default;
  TRESTRequestParameterOptions(std::initializer_list<TRESTRequestParameterOption> options) {
    for (auto o : options) include(o);
  }
  bool has(TRESTRequestParameterOption o) const { return (bits_ & bit(o)) != 0; }
  void include(TRESTRequestParameterOption o) { bits_ |= bit(o); }

 private:
  static unsigned bit(TRESTRequestParameterOption o) { return 1u << static_cast<unsigned>(o); }
  unsigned bits_ = 0;
};

struct TRESTRequestParameter {
  std::string name;
  std::string value;
  TRESTRequestParameterKind kind = TRESTRequestParameterKind::pkGETorPOST;
  TRESTRequestParameterOptions options;
};

// An ordered list of parameters whose names are compared with ASCII letter case ignored.
class TRESTRequestParameterList {
 public:
  // Appends a parameter; one under a name that the list already holds replaces that entry in its
  // place.
  void AddItem(const std::string& name, const std::string& value,
               TRESTRequestParameterKind kind = TRESTRequestParameterKind::pkGETorPOST,
               TRESTRequestParameterOptions options = {});
  // Removes the entry of that name, if any, and appends the new one at the end.
  void Replace(const TRESTRequestParameter& parameter);
  void Clear() { items_.clear(); }
  const TRESTRequestParameter* find(const std::string& name) const;
  const std::vector<TRESTRequestParameter>& items() const { return items_; }
  std::size_t Count() const { return items_.size(); }

 private:
  std::vector<TRESTRequestParameter>::iterator position(const std::string& name);
  std::vector<TRESTRequestParameter> items_;
};

// True when both names are equal with ASCII letter case ignored.
bool sameName(const std::string& a, const std::string& b);

}  // namespace tarvio
