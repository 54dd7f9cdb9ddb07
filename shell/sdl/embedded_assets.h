#pragma once

#include <cstddef>
#include <string_view>

namespace wordmeadow {

// A file built into the program: the pictures, the icon and the label font.
struct EmbeddedAsset {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

// The asset of that name (the file's name without its extension); empty when there is none.
EmbeddedAsset embeddedAsset(std::string_view name);

}  // namespace wordmeadow
