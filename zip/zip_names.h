// Entry names: their encoding (OEM code page or UTF-8), the attribute filter, and the checks that
// keep an extracted entry inside its base folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvio::zip {

// A name as stored in the archive: OEM bytes with flag bit 11 clear, or UTF-8 with it set.
struct StoredName {
  std::string bytes;
  bool utf8 = false;
};

// OEM when the OEM code page holds the name exactly, UTF-8 otherwise.
StoredName encodeEntryName(std::string_view utf8Name);
// Stored bytes back to UTF-8; nullopt when a UTF-8 name is not valid UTF-8.
std::optional<std::string> decodeEntryName(std::string_view bytes, bool utf8);

// True when a file with these Windows attributes is taken by the attribute filter: it shares a
// bit with the filter (the folder bit aside), or it has none of the ordinary bits at all.
bool attributesPass(uint32_t attributes, uint32_t filter);

// The name as error messages show it: control characters escaped ("\n", "\t", "\r", "\x00"), so
// that a name holding a NUL or a line break shows whole and cannot fake a message of its own.
std::string printableName(std::string_view name);

// Why an entry name (with "/" separators) must not be extracted, or nullopt when it is safe:
// absolute paths, drive letters, "..", device names, alternate streams and characters that
// Windows does not allow in a name.
std::optional<std::string> unsafeNameReason(std::string_view name);

}  // namespace tarvio::zip
