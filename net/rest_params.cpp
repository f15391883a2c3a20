// The REST request's parameter lists.
#include "net/rest_params.h"

#include <algorithm>

#include "common/ascii.h"

namespace tarvio {

bool sameName(const std::string& a, const std::string& b) { return equalsIgnoringAsciiCase(a, b); }

std::vector<TRESTRequestParameter>::iterator TRESTRequestParameterList::position(const std::string& name) {
  return std::find_if(items_.begin(), items_.end(),
                      [&](const TRESTRequestParameter& p) { return sameName(p.name, name); });
}

void TRESTRequestParameterList::AddItem(const std::string& name, const std::string& value,
                                        TRESTRequestParameterKind kind,
                                        TRESTRequestParameterOptions options) {
  TRESTRequestParameter parameter{name, value, kind, options};
  auto it = position(name);
  if (it != items_.end()) {
    *it = std::move(parameter);
  } else {
    items_.push_back(std::move(parameter));
  }
}

void TRESTRequestParameterList::Replace(const TRESTRequestParameter& parameter) {
  auto it = position(parameter.name);
  if (it != items_.end()) items_.erase(it);
  items_.push_back(parameter);
}

const TRESTRequestParameter* TRESTRequestParameterList::find(const std::string& name) const {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const TRESTRequestParameter& p) { return sameName(p.name, name); });
  return it == items_.end() ? nullptr : &*it;
}

}  // namespace tarvio
