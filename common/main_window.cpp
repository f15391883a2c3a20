// The one main window reference.
#include "common/main_window.h"

namespace tarvio {

TMainWindow* Principal = nullptr;

}  // namespace tarvio
