// MS-DOS date and time conversion for ZIP entries.
#include "zip/zip_format.h"

#include <algorithm>

namespace tarvio::zip {

DosDateTime toDosDateTime(const LocalTime& t) {
  if (t.year < 1980) return DosDateTime{};
  if (t.year > 2107) {
    return DosDateTime{static_cast<uint16_t>((23 << 11) | (59 << 5) | 29),
                       static_cast<uint16_t>((127 << 9) | (12 << 5) | 31)};
  }
  DosDateTime d;
  d.date = static_cast<uint16_t>(((t.year - 1980) << 9) | (std::clamp(t.month, 1, 12) << 5) |
                                 std::clamp(t.day, 1, 31));
  d.time = static_cast<uint16_t>((std::clamp(t.hour, 0, 23) << 11) | (std::clamp(t.minute, 0, 59) << 5) |
                                 (std::clamp(t.second, 0, 59) / 2));
  return d;
}

LocalTime fromDosDateTime(uint16_t date, uint16_t time) {
  LocalTime t;
  t.year = 1980 + (date >> 9);
  t.month = std::clamp((date >> 5) & 0x0F, 1, 12);
  t.day = std::clamp(date & 0x1F, 1, 31);
  t.hour = std::min((time >> 11) & 0x1F, 23);
  t.minute = std::min((time >> 5) & 0x3F, 59);
  t.second = std::min((time & 0x1F) * 2, 59);
  return t;
}

}  // namespace tarvio::zip
