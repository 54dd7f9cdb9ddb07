#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wordmeadow {

// The bytes of a regular file of at most limit bytes; empty for anything else (missing, empty,
// larger, a folder, a device, a pipe, unreadable).
std::vector<std::uint8_t> readWholeFile(const std::string& path, std::uintmax_t limit);

// Writes the file whole or not at all: the bytes go into a temporary file beside it, which then
// takes its name, so that a reader finds either the old file or the new one, never a part. The
// folders on the way are made. False when it could not be written; the old file is left then.
bool replaceFileWhole(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace wordmeadow
