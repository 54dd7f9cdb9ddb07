#include "voice/voice_file.h"

#include <array>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>

#include "shell/files.h"
#include "shell/little_endian.h"
#include "shell/paths.h"
#include "shell/wav_file.h"
#include "voice/voice_sounds.h"

namespace wordmeadow {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kLocalBytes = 30;
constexpr std::size_t kCentralBytes = 46;
constexpr std::size_t kEndBytes = 22;
constexpr std::uint16_t kEncrypted = 1;
constexpr std::uint16_t kUtf8Names = 1 << 11;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kVersion = 20;  // 2.0, MS-DOS attributes
constexpr std::uint16_t kDate1980 = (1 << 5) | 1;
// The headers of every entry a voice file may hold, with room for their extra fields.
constexpr std::size_t kMaxFileBytes = kMaxVoiceTotalBytes + (1u << 20);

constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}();

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t size) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = kCrcTable[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

// A sound's file name as a zip names it, with '/' between folders whatever the system.
std::string zipName(std::string fileName) {
  for (char& c : fileName) {
    if (c == kPathSeparator) c = '/';
  }
  return fileName;
}

std::string nativeName(std::string name) {
  for (char& c : name) {
    if (c == '/') c = kPathSeparator;
  }
  return name;
}

bool isProgramSound(std::string_view name) {
  for (const VoiceSound& sound : voiceSounds()) {
    if (zipName(sound.fileName) == name) return true;
  }
  return false;
}

// A folder some sound lies in ("words/"), as zip adds it before the folder's files.
bool isProgramFolder(std::string_view name) {
  if (name.empty() || name.back() != '/') return false;
  for (const VoiceSound& sound : voiceSounds()) {
    if (zipName(sound.fileName).starts_with(name)) return true;
  }
  return false;
}

bool leadsOutside(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.find('\\') != std::string_view::npos ||
      name.find(':') != std::string_view::npos) {
    return true;
  }
  for (std::size_t at = 0; at <= name.size();) {
    const std::size_t end = std::min(name.find('/', at), name.size());
    if (name.substr(at, end - at) == "..") return true;
    at = end + 1;
  }
  return false;
}

// An entry's name as a message may quote it: printable, and not too long to read.
std::string quotedName(std::string_view name) {
  constexpr std::size_t kShown = 40;
  std::string shown;
  for (const char c : name.substr(0, kShown)) shown += (c >= ' ' && c <= '~') ? c : '?';
  if (name.size() > kShown) shown += "...";
  return "\"" + shown + "\"";
}

std::string recordings(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " recording" : " recordings");
}

VoiceZipContents refused(std::string problem) {
  return {{}, std::move(problem)};
}

const char* const kDamaged = "This is not a voice file, or it is damaged.";
// Where the environment names no voice folder (no HOME, no APPDATA).
const char* const kNoVoiceFolder = "Wordmeadow has no folder for recordings on this computer.";

}  // namespace

std::vector<std::uint8_t> writeVoiceZip(const std::vector<VoiceEntry>& entries) {
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> central;
  for (const VoiceEntry& entry : entries) {
    const std::uint32_t crc = crc32(entry.bytes.data(), entry.bytes.size());
    std::uint16_t flags = 0;
    for (const char c : entry.name) {
      if (static_cast<unsigned char>(c) >= 0x80) flags = kUtf8Names;
    }
    const std::size_t offset = out.size();
    put32(out, kLocalSignature);
    put16(out, kVersion);
    put16(out, flags);
    put16(out, kStored);
    put16(out, 0);  // midnight
    put16(out, kDate1980);
    put32(out, crc);
    put32(out, entry.bytes.size());
    put32(out, entry.bytes.size());
    put16(out, entry.name.size());
    put16(out, 0);  // no extra field
    out.insert(out.end(), entry.name.begin(), entry.name.end());
    out.insert(out.end(), entry.bytes.begin(), entry.bytes.end());

    put32(central, kCentralSignature);
    put16(central, kVersion);  // made by
    put16(central, kVersion);  // needed
    put16(central, flags);
    put16(central, kStored);
    put16(central, 0);
    put16(central, kDate1980);
    put32(central, crc);
    put32(central, entry.bytes.size());
    put32(central, entry.bytes.size());
    put16(central, entry.name.size());
    put16(central, 0);  // extra field
    put16(central, 0);  // comment
    put16(central, 0);  // disk
    put16(central, 0);  // internal attributes
    put32(central, 0);  // external attributes
    put32(central, offset);
    central.insert(central.end(), entry.name.begin(), entry.name.end());
  }
  const std::size_t centralOffset = out.size();
  out.insert(out.end(), central.begin(), central.end());
  put32(out, kEndSignature);
  put16(out, 0);  // this disk
  put16(out, 0);  // the central directory's disk
  put16(out, entries.size());
  put16(out, entries.size());
  put32(out, central.size());
  put32(out, centralOffset);
  put16(out, 0);  // comment
  return out;
}

VoiceZipContents readVoiceZip(const std::uint8_t* bytes, std::size_t size) {
  if (size < kEndBytes || size > kMaxFileBytes) return refused(kDamaged);
  // The end record is last, followed only by its comment.
  std::size_t end = size - kEndBytes;
  while (get32(bytes + end) != kEndSignature || kEndBytes + get16(bytes + end + 20) != size - end) {
    if (end == 0 || size - end > kEndBytes + 0xFFFF) return refused(kDamaged);
    --end;
  }
  const std::size_t count = get16(bytes + end + 10);
  // 64-bit sizes and offsets (all ones here) are refused with the rest: they cannot fit.
  const std::uint64_t centralBytes = get32(bytes + end + 12);
  const std::uint64_t centralOffset = get32(bytes + end + 16);
  if (get16(bytes + end + 4) != 0 || get16(bytes + end + 6) != 0 ||
      get16(bytes + end + 8) != count || centralOffset + centralBytes > end) {
    return refused(kDamaged);
  }

  VoiceZipContents contents;
  std::set<std::string, std::less<>> seen;
  std::size_t total = 0;
  std::size_t at = static_cast<std::size_t>(centralOffset);
  const std::size_t centralEnd = static_cast<std::size_t>(centralOffset + centralBytes);
  for (std::size_t i = 0; i < count; ++i) {
    if (centralEnd - at < kCentralBytes || get32(bytes + at) != kCentralSignature) {
      return refused(kDamaged);
    }
    const std::uint8_t* header = bytes + at;
    const std::uint16_t flags = get16(header + 8);
    const std::uint16_t method = get16(header + 10);
    const std::uint32_t crc = get32(header + 16);
    const std::uint64_t packed = get32(header + 20);
    const std::uint64_t length = get32(header + 24);
    const std::size_t nameBytes = get16(header + 28);
    const std::uint64_t localOffset = get32(header + 42);
    const std::uint64_t headerEnd =
        std::uint64_t{at} + kCentralBytes + nameBytes + get16(header + 30) + get16(header + 32);
    if (headerEnd > centralEnd) return refused(kDamaged);
    const std::string_view name(reinterpret_cast<const char*>(header + kCentralBytes), nameBytes);
    at = static_cast<std::size_t>(headerEnd);

    if (leadsOutside(name)) {
      return refused("This file holds " + quotedName(name) +
                     ", a path that leads outside the voice folder.");
    }
    if (isProgramFolder(name) && length == 0) continue;
    if (!isProgramSound(name)) {
      return refused("This file holds " + quotedName(name) +
                     ", which is not one of Wordmeadow's sounds.");
    }
    if (!seen.insert(std::string(name)).second) {
      return refused("This file holds " + quotedName(name) + " twice.");
    }
    if (flags & kEncrypted) return refused("This file is locked with a password.");
    if (method != kStored) {
      return refused(std::string("This file was saved by another program: its recordings are ") +
                     (method == kDeflated
                          ? "compressed, and Wordmeadow reads only uncompressed ones (zip -0)."
                          : "packed in a way Wordmeadow cannot read."));
    }
    if (length > kMaxVoiceEntryBytes) {
      return refused(quotedName(name) + " in this file is larger than " +
                     std::to_string(kMaxVoiceEntryBytes >> 20) + " MB, too long for one sound.");
    }
    total += static_cast<std::size_t>(length);
    if (total > kMaxVoiceTotalBytes) {
      return refused("The recordings in this file come to more than " +
                     std::to_string(kMaxVoiceTotalBytes >> 20) + " MB, too much for one voice.");
    }
    // The entry's own header and data lie before the central directory.
    if (packed != length || localOffset + kLocalBytes > centralOffset) return refused(kDamaged);
    const std::uint8_t* local = bytes + localOffset;
    const std::uint64_t dataOffset =
        localOffset + kLocalBytes + get16(local + 26) + get16(local + 28);
    if (get32(local) != kLocalSignature || get16(local + 26) != nameBytes ||
        std::string_view(reinterpret_cast<const char*>(local + kLocalBytes), nameBytes) != name ||
        dataOffset + length > centralOffset) {
      return refused(kDamaged);
    }
    const std::uint8_t* data = bytes + dataOffset;
    if (crc32(data, static_cast<std::size_t>(length)) != crc) {
      return refused(quotedName(name) + " in this file is damaged.");
    }
    if (!readWavInfo(data, static_cast<std::size_t>(length))) {
      return refused(quotedName(name) + " in this file is not a sound Wordmeadow can play.");
    }
    contents.entries.push_back({std::string(name), {data, data + length}});
  }
  if (contents.entries.empty()) return refused("This file holds no recordings.");
  return contents;
}

VoiceFileResult saveVoiceFile(const std::string& voiceFolder, const std::string& path) {
  if (voiceFolder.empty()) return {false, kNoVoiceFolder};
  std::vector<VoiceEntry> entries;
  std::size_t total = 0;
  std::size_t leftOut = 0;
  for (const VoiceSound& sound : voiceSounds()) {
    const std::string file = joinPath(voiceFolder, sound.fileName);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) continue;
    // What a voice file may not hold stays out of it, so that every file saved loads again.
    std::vector<std::uint8_t> bytes = readWholeFile(file, kMaxVoiceEntryBytes);
    if (!readWavInfo(bytes.data(), bytes.size()) || total + bytes.size() > kMaxVoiceTotalBytes) {
      ++leftOut;
      continue;
    }
    total += bytes.size();
    entries.push_back({zipName(sound.fileName), std::move(bytes)});
  }
  if (entries.empty()) return {false, "There are no recordings to save yet."};
  if (!replaceFileWhole(path, writeVoiceZip(entries))) {
    return {false, "Wordmeadow could not write the voice file there."};
  }
  std::string message = "Saved " + recordings(entries.size()) + ".";
  if (leftOut > 0) {
    message += " " + recordings(leftOut) + (leftOut == 1 ? " was" : " were") +
               " left out: not a sound Wordmeadow can play, or too long.";
  }
  return {true, message};
}

VoiceFileResult loadVoiceFile(const std::string& path, const std::string& voiceFolder) {
  constexpr const char* kUnchanged = " Nothing was changed.";
  if (voiceFolder.empty()) return {false, std::string(kNoVoiceFolder) + kUnchanged};
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxFileBytes) {
    return {false, "This file is larger than " + std::to_string(kMaxFileBytes >> 20) +
                       " MB, too large for a voice file." + kUnchanged};
  }
  const std::vector<std::uint8_t> bytes = readWholeFile(path, kMaxFileBytes);
  if (bytes.empty())
    return {false, std::string("Wordmeadow could not read this file.") + kUnchanged};
  const VoiceZipContents contents = readVoiceZip(bytes.data(), bytes.size());
  if (!contents.problem.empty()) return {false, contents.problem + kUnchanged};
  std::size_t written = 0;
  for (const VoiceEntry& entry : contents.entries) {
    if (!replaceFileWhole(joinPath(voiceFolder, nativeName(entry.name)), entry.bytes)) {
      return {false, "Wordmeadow could not write " + quotedName(entry.name) +
                         " into the voice folder; " + recordings(written) + " of " +
                         std::to_string(contents.entries.size()) + " were loaded."};
    }
    ++written;
  }
  return {true, "Loaded " + recordings(written) + "."};
}

}  // namespace wordmeadow
