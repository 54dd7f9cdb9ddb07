// The Win32 platform's own parts: the program folder, the folder listing over FindFirstFile,
// the paths the file dialogs give and the samples of a capture buffer.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/paths.h"
#include "shell/win32/win_capture.h"
#include "shell/win32/win_file_dialogs.h"
#include "shell/win32/win_platform.h"
#include "temp_folder.h"

namespace wordmeadow {
namespace {

using testing::TempFolder;

using testing::listAll;
using testing::sorted;

// Sets attributes and tells whether the file system kept them (Wine keeps them only where the
// Unix file system takes extended attributes).
bool setAttributes(const std::string& path, DWORD attributes) {
  if (SetFileAttributesA(path.c_str(), attributes) == 0) return false;
  const DWORD now = GetFileAttributesA(path.c_str());
  return now != INVALID_FILE_ATTRIBUTES && (now & attributes) == attributes;
}

TEST(ProgramFolder, IsTheFolderOfTheProgramFileWithoutTheLastBackslash) {
  EXPECT_EQ(programFolderOf("C:\\Program Files\\Wordmeadow\\wordmeadow.exe"),
            "C:\\Program Files\\Wordmeadow");
  EXPECT_EQ(programFolderOf("\\\\server\\share\\wordmeadow.exe"), "\\\\server\\share");
}

TEST(ProgramFolder, KeepsTheBackslashAtADriveRoot) {
  // "C:" alone would be the drive's current folder, not its root.
  EXPECT_EQ(programFolderOf("C:\\wordmeadow.exe"), "C:\\");
  EXPECT_EQ(joinPath(programFolderOf("C:\\wordmeadow.exe"), "A.wav"), "C:\\A.wav");
}

TEST(WinPlatform, ApplicationFolderHoldsTheRunningProgram) {
  WinScreen screen(GetModuleHandleA(nullptr));
  WinPlatform platform(screen);
  const std::string folder = platform.applicationFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  char path[MAX_PATH];
  ASSERT_NE(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  const std::string name = std::filesystem::path(path).filename().string();
  EXPECT_TRUE(std::filesystem::is_regular_file(joinPath(folder, name))) << folder << " " << name;
}

TEST(FindListing, MatchesTheWildcardAndSkipsFolders) {
  TempFolder folder;
  for (const char* name : {"A.wav", "B.WAV", "c.Wav", "D.wav.bak", "notes.txt"}) {
    folder.touch(name);
  }
  std::filesystem::create_directory(joinPath(folder.path(), "G.wav"));
  FindListing listing;
  EXPECT_EQ(sorted(listAll(listing, joinPath(folder.path(), "*.wav*"))),
            (std::vector<std::string>{"A.wav", "B.WAV", "D.wav.bak", "c.Wav"}));
  EXPECT_EQ(listing.next(), "");  // and stays ended
}

TEST(FindListing, SkipsHiddenAndSystemFiles) {
  TempFolder folder;
  for (const char* name : {"A.wav", "H.wav", "S.wav", "HS.wav", "R.wav"}) folder.touch(name);
  if (!setAttributes(joinPath(folder.path(), "H.wav"), FILE_ATTRIBUTE_HIDDEN) ||
      !setAttributes(joinPath(folder.path(), "S.wav"), FILE_ATTRIBUTE_SYSTEM) ||
      !setAttributes(joinPath(folder.path(), "HS.wav"),
                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
    GTEST_SKIP() << "this file system does not keep the hidden and system attributes";
  }
  ASSERT_TRUE(setAttributes(joinPath(folder.path(), "R.wav"), FILE_ATTRIBUTE_READONLY));
  FindListing listing;
  EXPECT_EQ(sorted(listAll(listing, joinPath(folder.path(), "*.wav*"))),
            (std::vector<std::string>{"A.wav", "R.wav"}));
  SetFileAttributesA(joinPath(folder.path(), "R.wav").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FindListing, OnlyHiddenFilesMeansNoneAtAll) {
  TempFolder folder;
  folder.touch("H.wav");
  if (!setAttributes(joinPath(folder.path(), "H.wav"), FILE_ATTRIBUTE_HIDDEN)) {
    GTEST_SKIP() << "this file system does not keep the hidden attribute";
  }
  FindListing listing;
  EXPECT_EQ(listing.first(joinPath(folder.path(), "*.wav*")), "");
  EXPECT_EQ(listing.next(), "");
}

TEST(FindListing, EmptyOrMissingFolderEndsAtOnceAndANewPatternStartsOver) {
  TempFolder folder;
  FindListing listing;
  EXPECT_EQ(listing.first(joinPath(folder.path(), "*.wav*")), "");
  EXPECT_EQ(listing.next(), "");
  EXPECT_EQ(listing.first(joinPath(joinPath(folder.path(), "nowhere"), "*.wav*")), "");
  EXPECT_EQ(listing.next(), "");

  folder.touch("A.wav");
  folder.touch("B.wav");
  const std::string first = listing.first(joinPath(folder.path(), "*.wav*"));
  EXPECT_FALSE(first.empty());
  // Started again in the middle of a listing: the new one begins from its start.
  EXPECT_EQ(listing.first(joinPath(folder.path(), "*.wav*")), first);
  EXPECT_EQ(sorted({first, listing.next()}), (std::vector<std::string>{"A.wav", "B.wav"}));
  EXPECT_EQ(listing.next(), "");
}

TEST(FindListing, NamesOutsideAsciiComeBackAsTheSameAnsiBytes) {
  // The program builds a recording's path from the listed name and hands it to PlaySoundA:
  // both sides speak the ANSI code page, so the name must survive the round trip unchanged.
  if (GetACP() != 1252) GTEST_SKIP() << "the test's name is written for code page 1252";
  TempFolder folder;
  const std::string name = "\xC9l\xE9phant.wav";  // "Éléphant.wav"
  const std::string path = joinPath(folder.path(), name);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  FindListing listing;
  EXPECT_EQ(listAll(listing, joinPath(folder.path(), "*.wav*")), std::vector<std::string>{name});
  EXPECT_NE(GetFileAttributesA(joinPath(folder.path(), name).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(FindListing, KeepsTheFileSystemsOwnOrder) {
  TempFolder folder;
  for (char c = 'A'; c <= 'Z'; ++c) folder.touch(std::string(1, c) + ".wav");
  folder.touch("Welcome.wav");
  FindListing listing;
  const std::vector<std::string> names = listAll(listing, joinPath(folder.path(), "*.wav*"));
  // Not sorted: the order the file system gives, which std::filesystem sees too.
  std::vector<std::string> expected;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    expected.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, expected);
}

TEST(DialogPaths, AreUtf8BothWaysWhateverTheScript) {
  // "C:\Users\Zoë\Stimme 声 🎤.zip": two-, three- and four-byte UTF-8, a surrogate pair.
  const std::string utf8 = "C:\\Users\\Zo\xC3\xAB\\Stimme \xE5\xA3\xB0 \xF0\x9F\x8E\xA4.zip";
  const std::wstring utf16 = L"C:\\Users\\Zo\u00EB\\Stimme \u58F0 \xD83C\xDFA4.zip";
  EXPECT_EQ(wideFromUtf8(utf8), utf16);
  EXPECT_EQ(utf8FromWide(utf16), utf8);
  EXPECT_EQ(wideFromUtf8(""), L"");
  EXPECT_EQ(utf8FromWide(L""), "");
}

TEST(CaptureBuffer, GivesTheWholeSamplesTheDeviceWroteAndNothingBeyondTheBuffer) {
  std::int16_t samples[4] = {1, -2, 3, -4};
  WAVEHDR header{};
  header.lpData = reinterpret_cast<LPSTR>(samples);
  header.dwBufferLength = sizeof samples;
  header.dwBytesRecorded = 5;  // a half sample at the end is left out
  auto got = recordedSamples(header);
  EXPECT_EQ(std::vector<std::int16_t>(got.begin(), got.end()), (std::vector<std::int16_t>{1, -2}));
  header.dwBytesRecorded = 64;  // more than the buffer holds
  got = recordedSamples(header);
  EXPECT_EQ(got.size(), 4u);
  header.dwBytesRecorded = 0;
  EXPECT_TRUE(recordedSamples(header).empty());
}

TEST(CaptureBuffer, WhatTheDeviceHeldBeforeTheTakeIsDroppedFromTheFront) {
  // 30 ms into a take at 22050 Hz at most 661 samples can be the take's: what arrives beyond
  // that is dropped from its front, however it comes in buffers.
  EXPECT_EQ(samplesBeforeTake(0, 512, 661), 0u);
  EXPECT_EQ(samplesBeforeTake(512, 512, 661), 363u);
  EXPECT_EQ(samplesBeforeTake(661, 512, 661), 512u);  // all of it from before
  // In time, and late (the usual case), everything is the take's.
  EXPECT_EQ(samplesBeforeTake(1024, 512, 1536), 0u);
  EXPECT_EQ(samplesBeforeTake(1024, 512, 4000), 0u);
}

}  // namespace
}  // namespace wordmeadow
