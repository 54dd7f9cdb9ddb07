#pragma once

#include <string_view>

namespace wordmeadow {

// File-name wildcard: '*' stands for any run of characters (the empty one too), '?' for one
// character, and letters match regardless of case.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// Letters compared regardless of case (ASCII only; other bytes must be equal).
bool equalIgnoringCase(std::string_view a, std::string_view b);

}  // namespace wordmeadow
