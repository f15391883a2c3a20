// Percent-encoding and the form-encoded body of a POST request.
#pragma once

#include <string>
#include <string_view>

#include "net/rest_params.h"

namespace tarvio {

// Every byte of the UTF-8 text other than the ASCII letters, the digits, "-", "." and "_" becomes
// "%" and two uppercase hexadecimal digits: a blank is %20 and a "%" is always encoded again.
std::string percentEncode(std::string_view utf8);

// The fields of kind pkGETorPOST in list order as "name=value" joined by "&", each name and value
// percent-encoded unless the field has poDoNotEncode. The result is still UTF-8 text.
std::string formEncodedText(const TRESTRequestParameterList& params);

}  // namespace tarvio
