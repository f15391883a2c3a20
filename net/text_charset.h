// Turning a response body into UTF-8 text by the charset its Content-Type names.
#pragma once

#include <string>
#include <string_view>

namespace tarvio {

// The body as UTF-8 text. The charset parameter of contentType decides: UTF-8 and US-ASCII pass
// unchanged, ISO-8859-1 and Windows-1252 are converted; without a charset the body is taken as
// UTF-8, except for media types that hold no text (images, audio, video, archives, octet streams),
// which give the empty text.
std::string decodeBodyText(std::string_view body, std::string_view contentType);

}  // namespace tarvio
