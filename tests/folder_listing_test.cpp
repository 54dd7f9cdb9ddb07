#include "shell/folder_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/paths.h"
#include "shell/web/listing_file.h"
#include "shell/wildcard.h"
#include "temp_folder.h"

namespace wordmeadow {
namespace {

using testing::TempFolder;

using testing::sorted;

std::vector<std::string> listAll(const std::string& pattern) {
  FolderListing listing;
  return testing::listAll(listing, pattern);
}

// A path written with '/' in the platform's own separator.
std::string native(std::string path) {
  std::replace(path.begin(), path.end(), '/', kPathSeparator);
  return path;
}

TEST(Wildcard, StarMatchesAnyRunIncludingTheEmptyOneAndLettersIgnoreCase) {
  EXPECT_TRUE(wildcardMatch("*.wav*", "A.wav"));
  EXPECT_TRUE(wildcardMatch("*.wav*", "A.WAV"));
  EXPECT_TRUE(wildcardMatch("*.wav*", "A.wav.bak"));
  EXPECT_TRUE(wildcardMatch("*.wav*", "A.wave"));
  EXPECT_TRUE(wildcardMatch("*.wav*", ".wav"));
  EXPECT_TRUE(wildcardMatch("*", ""));
  EXPECT_TRUE(wildcardMatch("a*b*c", "aXXbYYbZc"));
  EXPECT_TRUE(wildcardMatch("?.wav", "Q.WAV"));
  EXPECT_FALSE(wildcardMatch("*.wav*", "A.wa"));
  EXPECT_FALSE(wildcardMatch("*.wav*", "Awav"));
  EXPECT_FALSE(wildcardMatch("?.wav", "AB.wav"));
  EXPECT_FALSE(wildcardMatch("", "A"));
}

TEST(Wildcard, LongNamesWithManyStarsStayFast) {
  // A backtracking matcher would take exponential time here.
  const std::string name(4000, 'a');
  EXPECT_FALSE(wildcardMatch("*a*a*a*a*a*a*a*a*b", name));
}

TEST(Paths, JoinAddsOneSeparatorAndRespectsTheRoot) {
  EXPECT_EQ(joinPath(native("/opt/wordmeadow"), "A.wav"), native("/opt/wordmeadow/A.wav"));
  EXPECT_EQ(joinPath(native("/"), "A.wav"), native("/A.wav"));
  // An empty name: a path that ends in the separator.
  EXPECT_EQ(joinPath(native("/opt"), ""), native("/opt/"));
  EXPECT_EQ(parentFolder(native("/opt/wordmeadow/A.wav")), native("/opt/wordmeadow"));
  EXPECT_EQ(parentFolder(native("/A.wav")), native("/"));
}

TEST(FolderListing, MatchesFilesRegardlessOfCaseAndSkipsFoldersAndHiddenFiles) {
  TempFolder folder;
  for (const char* name :
       {"A.wav", "B.WAV", "c.Wav", "D.wav.bak", "E.wave", "notes.txt", ".F.wav"}) {
    folder.touch(name);
  }
  std::filesystem::create_directory(folder.path() + "/G.wav");

  EXPECT_EQ(sorted(listAll(joinPath(folder.path(), "*.wav*"))),
            (std::vector<std::string>{"A.wav", "B.WAV", "D.wav.bak", "E.wave", "c.Wav"}));
}

TEST(FolderListing, ALinkCountsAsWhatItPointsToAndBrokenLinksAreSkipped) {
  TempFolder folder;
  folder.touch("A.wav");
  std::error_code noLinks;
  std::filesystem::create_symlink(folder.path() + "/missing", folder.path() + "/H.wav", noLinks);
  if (noLinks) GTEST_SKIP() << "no symbolic links here: " << noLinks.message();
  std::filesystem::create_symlink(folder.path() + "/A.wav", folder.path() + "/I.wav");
  std::filesystem::create_symlink(folder.path() + "/J.wav", folder.path() + "/J.wav");  // a loop

  EXPECT_EQ(sorted(listAll(joinPath(folder.path(), "*.wav*"))),
            (std::vector<std::string>{"A.wav", "I.wav"}));
}

TEST(FolderListing, KeepsTheFileSystemsOwnOrder) {
  TempFolder folder;
  for (char c = 'Z'; c >= 'A'; --c) folder.touch(std::string(1, c) + ".wav");
  std::vector<std::string> expected;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    expected.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(listAll(joinPath(folder.path(), "*.wav*")), expected);
}

TEST(FolderListing, EmptyOrMissingFolderEndsAtOnceAndANewPatternStartsOver) {
  TempFolder folder;
  FolderListing listing;
  EXPECT_EQ(listing.first(joinPath(folder.path(), "*.wav*")), "");
  EXPECT_EQ(listing.next(), "");
  EXPECT_EQ(listing.first(joinPath(folder.path() + "/nowhere", "*.wav*")), "");

  folder.touch("A.wav");
  EXPECT_EQ(listing.first(joinPath(folder.path(), "*.wav*")), "A.wav");
  EXPECT_EQ(listing.next(), "");
  EXPECT_EQ(listing.first(joinPath(folder.path(), "*.wav*")), "A.wav");
}

TEST(FolderListing, NamesWithSpacesAndBytesOutsideUtf8ComeBackUnchanged) {
  TempFolder folder;
  const std::string odd = "Le\xff\xfe tter.wav";
  const std::string spaced = "my letter.wav";
  const std::string longest = std::string(251, 'L') + ".wav";  // 255 bytes, the longest name
  std::vector<std::string> names = {spaced, longest};
#ifndef _WIN32
  names.push_back(odd);  // Windows keeps names in UTF-16: a name is never just any bytes there
#endif
  for (const std::string& name : names) folder.touch(name);
  EXPECT_EQ(sorted(listAll(joinPath(folder.path(), "*.wav*"))), sorted(names));
}

// The browser build lists its folder from the site's listing file.
TEST(ListingFile, ListsOnlyNamesDirectlyInTheFolderInTheFilesOrder) {
  ListingFile listing;
  EXPECT_TRUE(listing.read(
      "Welcome.wav\r\nwords/apple.wav\n  B.wav \t\n.hidden.wav\nwords/.x.wav\n\n \nA.WAV\n"
      "words/deeper/cat.wav"));
  EXPECT_EQ(testing::listAll(listing, "./*.wav*"),
            (std::vector<std::string>{"Welcome.wav", "B.wav", "A.WAV"}));
  EXPECT_EQ(testing::listAll(listing, "./words/*.wav*"), std::vector<std::string>{"apple.wav"});
  EXPECT_EQ(testing::listAll(listing, "words//deeper/*"), std::vector<std::string>{"cat.wav"});
  EXPECT_EQ(listing.first("./nowhere/*"), "");
  EXPECT_EQ(listing.next(), "");
  // A recording asked for with other capitals is found as listed; a line's stray spaces were
  // trimmed, so the name asked is the file's.
  EXPECT_EQ(listing.findIgnoringCase("./a.wav"), "A.WAV");
  EXPECT_EQ(listing.findIgnoringCase("./B.wav"), "./B.wav");
  EXPECT_EQ(listing.findIgnoringCase("./Z.wav"), "./Z.wav");
}

// What is no listing lists nothing and says so, so that the page falls back on another.
TEST(ListingFile, ReadsNothingFromWhatIsNoListing) {
  ListingFile listing;
  const std::string name = std::string(251, 'L') + ".wav";  // 255 bytes, the longest name
  const std::string line = "words/" + name + "\n";
  std::string largest;
  while (largest.size() + line.size() <= ListingFile::kMaxBytes) largest += line;
  EXPECT_TRUE(listing.read(largest));
  EXPECT_EQ(listing.first("./words/*"), name);

  for (const std::string& text :
       {std::string(), std::string("\n \r\n"), std::string("A.wav\nreadme.txt\n"),
        std::string("<!doctype html>\n<p>Log in to the school network</p>\n"),
        std::string("A.wav\nwords/\n"), largest + line}) {
    EXPECT_FALSE(listing.read(text)) << text.substr(0, 40);
    EXPECT_EQ(listing.first("./*"), "");
  }
}

}  // namespace
}  // namespace wordmeadow
