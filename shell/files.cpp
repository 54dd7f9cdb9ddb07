#include "shell/files.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace wordmeadow {
namespace fs = std::filesystem;

std::vector<std::uint8_t> readWholeFile(const std::string& path, std::uintmax_t limit) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return {};  // folders, devices and pipes are never read
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec || size == 0 || size > limit) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));  // it may have shrunk since
  return bytes;
}

bool replaceFileWhole(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const fs::path target(path);
  const fs::path part = target.string() + ".part";
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      fs::remove(part, ec);
      return false;
    }
  }
  fs::rename(part, target, ec);
  if (ec) {
    fs::remove(part, ec);
    return false;
  }
  return true;
}

}  // namespace wordmeadow
