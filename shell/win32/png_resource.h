#pragma once

#include <string>

#include "shell/win32/win_api.h"

namespace wordmeadow {

// A PNG built into the program as a resource of type "PNG", decoded by the Windows Imaging
// Component into a 32-bit bitmap section the caller owns; nullptr when there is no such
// resource or it cannot be decoded. COM must be started on the calling thread.
HBITMAP loadPngResource(HINSTANCE instance, const std::string& name);

}  // namespace wordmeadow
