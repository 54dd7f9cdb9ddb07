#pragma once

#include <string_view>

namespace wordmeadow {

// The listing of the recordings the program was built with, in the site's listing format;
// written by the build (cmake/WebProgram.cmake). It stands in for a site that gives no listing.
std::string_view builtInListing();

}  // namespace wordmeadow
