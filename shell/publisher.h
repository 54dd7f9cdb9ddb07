#pragma once

#include <string_view>

// Set by the packager at build time (the WORDMEADOW_PUBLISHER_URL cache variable). The default
// is a reserved address that never resolves, so a child is never sent to a stranger's site.
#ifndef WORDMEADOW_PUBLISHER_URL
#define WORDMEADOW_PUBLISHER_URL "https://wordmeadow.example/"
#endif

namespace wordmeadow {
inline constexpr std::string_view kPublisherAddress = WORDMEADOW_PUBLISHER_URL;
}
