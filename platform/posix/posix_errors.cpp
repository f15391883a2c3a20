// errno values worded as Windows words its own errors.
#include "platform/posix/posix_errors.h"

#include <errno.h>
#include <string.h>

namespace tarvio {

std::string windowsErrorText(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return "The system cannot find the path specified";
    case EACCES:
    case EPERM:
    case EISDIR:  // Windows refuses to open a folder as a file with "access denied"
      return "Access is denied";
    case ENOSPC:
    case EDQUOT:
      return "There is not enough space on the disk";
    case EEXIST:
      return "The file exists";
    case EXDEV:
      return "The system cannot move the file to a different disk drive";
    case EROFS:
      return "The media is write protected";
    case ENAMETOOLONG:
      return "The filename or extension is too long";
    case EBUSY:
    case ETXTBSY:
      return "The process cannot access the file because it is being used by another process";
    default: {
      char buffer[256];
      // The GNU strerror_r may return a static string instead of filling the buffer.
      return std::string(strerror_r(err, buffer, sizeof buffer));
    }
  }
}

}  // namespace tarvio
