#pragma once

// The Windows headers, without their min/max macros (they break std::min) and the rarely used
// parts; the multimedia and shell parts the backend needs come in explicitly.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// windows.h first: these two rely on its types.
#include <mmsystem.h>
#include <shellapi.h>
