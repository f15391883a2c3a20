// The Windows code pages with chosen page numbers: the program uses the system's ANSI and OEM
// pages (makeNativeCodePages); tests use this to try pages that the test system does not have.
#pragma once

#include <memory>

#include "platform/codepages.h"

namespace tarvio {

std::unique_ptr<CodePages> makeWin32CodePages(unsigned ansiPage, unsigned oemPage);

}  // namespace tarvio
