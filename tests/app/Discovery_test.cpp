#include "app/Discovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "framework/Classes.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

// The same real-folder cases run natively here and under Wine in the Windows
// tests, each through its own platform's enumeration.
#include "app/DiscoveryFolderCases.h"
#include "support/TempFolder.h"
#endif

namespace {

std::vector<std::string> Contents(const TStringList& list) {
  std::vector<std::string> result;
  for (int32_t i = 0; i < list.Count(); ++i) result.push_back(list.Strings(i));
  return result;
}

// "a/b" in the platform's spelling.
std::string P(const std::string& path) {
  std::string result;
  for (char c : path) result += c == '/' ? PathDelim : c;
  return result;
}

TEST(IsPictureFile, AcceptsTheThreeExtensionsInAnyLetterCase) {
  for (const char* name : {"a.bmp", "a.jpg", "a.jpeg", "PHOTO.JPG", "a.Jpeg", "x.BmP", ".jpg", "写真.JPG"})
    EXPECT_TRUE(IsPictureFile(name)) << name;
  for (const char* name : {"a.jpe", "a.gif", "a.bmp.txt", "a.png", "jpg", "bmp", "a.jpg ", "a.jpegg", "a.",
                           "", ".", "a.ｊｐｇ", "a.JPＧ"})
    EXPECT_FALSE(IsPictureFile(name)) << name;
}

TEST(IsPictureFile, TakesTheExtensionFromTheFinalComponentOnly) {
  EXPECT_TRUE(IsPictureFile(P("dir.txt/a.jpg")));
  EXPECT_FALSE(IsPictureFile(P("dir.jpg/readme")));
  EXPECT_FALSE(IsPictureFile(P("dir.jpg/")));
  EXPECT_TRUE(IsPictureFile(P("写真/桜.jpeg")));
#ifdef _WIN32
  // A drive letter ends a component as well.
  EXPECT_FALSE(IsPictureFile("c.jpg:stream"));
#endif
}

// A file system held in memory: each folder (its path ending with the
// delimiter) lists its entries in a chosen order and may have an identity.
class TFakeFolders : public TFolderEnumerator {
public:
  struct TFolder {
    std::vector<TFolderEntry> Entries;
    std::optional<TFolderIdentity> Identity;
  };

  std::unique_ptr<TFolderReader> Open(const std::string& folder) override {
    Opened.push_back(folder);
    // A walk that never ends would hang the tests; stop it and let the
    // count of opened folders tell.
    if (Opened.size() > 1000) return nullptr;
    auto found = Folders.find(folder);
    if (found == Folders.end()) return nullptr;
    return std::make_unique<TReader>(found->second, ++OpenNow, MaxOpenAtOnce);
  }

  void Add(const std::string& folder, std::vector<TFolderEntry> entries,
           std::optional<TFolderIdentity> identity = std::nullopt) {
    Folders[P(folder)] = TFolder{std::move(entries), identity};
  }

  std::map<std::string, TFolder> Folders;
  std::vector<std::string> Opened;
  int OpenNow = 0;
  int MaxOpenAtOnce = 0;

private:
  class TReader : public TFolderReader {
  public:
    TReader(const TFolder& folder, int& openNow, int& maxOpen) : FFolder(folder), FOpenNow(openNow) {
      maxOpen = std::max(maxOpen, openNow);
    }
    ~TReader() override { --FOpenNow; }
    std::optional<TFolderIdentity> Identity() override { return FFolder.Identity; }
    bool Next(TFolderEntry& entry) override {
      if (FNext >= FFolder.Entries.size()) return false;
      entry = FFolder.Entries[FNext++];
      return true;
    }

  private:
    const TFolder& FFolder;
    int& FOpenNow;
    size_t FNext = 0;
  };
};

TFolderEntry File(const std::string& name) { return {name, ekFile}; }
TFolderEntry Folder(const std::string& name) { return {name, ekFolder}; }

TEST(ScanFolder, WalksDepthFirstInEnumerationOrder) {
  TFakeFolders fs;
  fs.Add("r/", {File("z.jpg"), Folder("s"), File("a.bmp"), Folder("t"), File("m.jpeg")});
  fs.Add("r/s/", {File("s2.jpg"), Folder("deep"), File("s1.jpg")});
  fs.Add("r/s/deep/", {File("d.JPG")});
  fs.Add("r/t/", {File("t.png"), File("t.bmp")});
  TStringList list;
  ScanFolder(P("r"), list, fs);
  EXPECT_THAT(Contents(list),
              testing::ElementsAre(P("r/z.jpg"), P("r/s/s2.jpg"), P("r/s/deep/d.JPG"), P("r/s/s1.jpg"),
                                   P("r/a.bmp"), P("r/t/t.bmp"), P("r/m.jpeg")));
}

TEST(ScanFolder, LeavesOutFilesKeptOnlyOnlineByTheirListedAttributesUnlessTaken) {
  // Here: plain, archive and read-only, pinned, downloaded; then only online.
  const uint32_t recalled = kAttributeRecallOnDataAccess | 0x100600;
  const uint32_t cases[] = {0, 0x21, 0x80600, 0x100400, kAttributeOffline, kAttributeRecallOnOpen, recalled};
  TFakeFolders fs;
  for (uint32_t bits : cases)
    fs.Folders[P("r/")].Entries.push_back({std::to_string(bits) + ".jpg", ekFile, bits});
  TStringList list, everything;
  TScanFilter filter, taken{true};
  ScanFolder(P("r"), list, fs, filter);
  ScanFolder(P("r"), everything, fs, taken);
  const std::vector<std::string> all = Contents(everything);
  EXPECT_EQ(Contents(list), std::vector<std::string>(all.begin(), all.begin() + 4));
  EXPECT_EQ(filter.LeftOut + taken.LeftOut + everything.Count(), 3 + 0 + 7);
}

TEST(ScanFolder, AppendsToWhatTheListHolds) {
  TFakeFolders fs;
  fs.Add("r/", {File("b.jpg")});
  TStringList list;
  list.Add("already");
  ScanFolder(P("r"), list, fs);
  ScanFolder(P("r/"), list, fs);
  EXPECT_THAT(Contents(list), testing::ElementsAre("already", P("r/b.jpg"), P("r/b.jpg")));
  // The delimiter is added only where it is missing.
  EXPECT_THAT(fs.Opened, testing::ElementsAre(P("r/"), P("r/")));
}

TEST(ScanFolder, SkipsTheDotEntriesAndEntriesThatAreNeitherFileNorFolder) {
  TFakeFolders fs;
  fs.Add("r/", {Folder("."), Folder(".."), File("a.jpg"), {"pipe.jpg", ekOther}, Folder("s")});
  fs.Add("r/s/", {Folder("."), Folder(".."), File(".jpg")});
  TStringList list;
  ScanFolder(P("r"), list, fs);
  EXPECT_THAT(Contents(list), testing::ElementsAre(P("r/a.jpg"), P("r/s/.jpg")));
  EXPECT_THAT(fs.Opened, testing::ElementsAre(P("r/"), P("r/s/")));
}

TEST(ScanFolder, FoldersThatCannotBeOpenedAddNothingAndTheWalkGoesOn) {
  TFakeFolders fs;
  fs.Add("r/", {File("1.jpg"), Folder("locked"), File("2.jpg")});
  TStringList list;
  ScanFolder(P("r"), list, fs);
  ScanFolder(P("missing"), list, fs);
  EXPECT_THAT(Contents(list), testing::ElementsAre(P("r/1.jpg"), P("r/2.jpg")));
  EXPECT_THAT(fs.Opened, testing::ElementsAre(P("r/"), P("r/locked/"), P("missing/")));
}

TEST(ScanFolder, AnEmptyFolderNameScansNothing) {
  TFakeFolders fs;
  fs.Add("/", {File("root.jpg")});
  TStringList list;
  ScanFolder("", list, fs);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(fs.Opened.empty());
}

TEST(ScanFolder, NeverEntersAFolderAlreadyOnTheWayDown) {
  const TFolderIdentity root{1, 10}, sub{1, 11};
  TFakeFolders fs;
  // r/s/up leads back to r, r/s/here to s itself, r/self to r.
  fs.Add("r/", {File("a.jpg"), Folder("s"), Folder("self")}, root);
  fs.Add("r/s/", {File("b.jpg"), Folder("up"), Folder("here")}, sub);
  fs.Add("r/s/up/", {File("a.jpg"), Folder("s"), Folder("self")}, root);
  fs.Add("r/s/here/", {File("b.jpg"), Folder("up"), Folder("here")}, sub);
  fs.Add("r/self/", {File("a.jpg"), Folder("s"), Folder("self")}, root);
  TStringList list;
  ScanFolder(P("r"), list, fs);
  EXPECT_THAT(Contents(list), testing::ElementsAre(P("r/a.jpg"), P("r/s/b.jpg")));
  // Each looping link is opened once to learn where it leads, then left.
  EXPECT_THAT(fs.Opened,
              testing::ElementsAre(P("r/"), P("r/s/"), P("r/s/up/"), P("r/s/here/"), P("r/self/")));
  // Nothing stays open beyond the way down.
  EXPECT_EQ(fs.OpenNow, 0);
  EXPECT_LE(fs.MaxOpenAtOnce, 3);
}

TEST(ScanFolder, AFolderReachedByTwoRoutesIsListedTwice) {
  const TFolderIdentity shared{2, 5};
  TFakeFolders fs;
  fs.Add("r/", {Folder("x"), Folder("link")}, TFolderIdentity{2, 1});
  fs.Add("r/x/", {File("p.jpg")}, shared);
  fs.Add("r/link/", {File("p.jpg")}, shared);
  TStringList list;
  ScanFolder(P("r"), list, fs);
  EXPECT_THAT(Contents(list), testing::ElementsAre(P("r/x/p.jpg"), P("r/link/p.jpg")));
}

TEST(ScanFolder, FoldersWithoutIdentityAreStillScanned) {
  TFakeFolders fs;
  fs.Add("r/", {Folder("s")}, TFolderIdentity{3, 1});
  fs.Add("r/s/", {File("p.jpg"), Folder("t")});
  fs.Add("r/s/t/", {File("q.jpg")}, TFolderIdentity{3, 1});  // the root again, below an unknown
  TStringList list;
  ScanFolder(P("r"), list, fs);
  EXPECT_THAT(Contents(list), testing::ElementsAre(P("r/s/p.jpg")));
}

TEST(ScanFolder, TheSameIdentityOnAnotherVolumeIsAnotherFolder) {
  TFakeFolders fs;
  fs.Add("r/", {Folder("mount")}, TFolderIdentity{1, 2});
  fs.Add("r/mount/", {File("p.jpg")}, TFolderIdentity{9, 2});
  TStringList list;
  ScanFolder(P("r"), list, fs);
  EXPECT_THAT(Contents(list), testing::ElementsAre(P("r/mount/p.jpg")));
}

#ifndef _WIN32

using discovery_cases::NativeAll;
using discovery_cases::Sorted;
namespace fs = std::filesystem;

class NativeFolderScan : public testing::Test {
protected:
  vemo_test::TTempFolder Temp;
  std::string Root = Temp.Path();
  TStringList List;
};

TEST_F(NativeFolderScan, SymbolicLinkCyclesEndAndEveryPictureIsListedOnce) {
  Temp.MakeFile("top.jpg");
  Temp.MakeFile("a/b/deep.jpg");
  fs::create_directory_symlink("../..", Temp.FsPath() / "a" / "b" / "up");
  // Followed blindly, the link repeats the tree until the system refuses the
  // path (too many links in it).
  discovery_cases::TWithoutIdentity blind;
  ScanFolder(Root, List, blind);
  EXPECT_GT(List.Count(), 20);
  List.Clear();

  fs::create_directory_symlink(".", Temp.FsPath() / "self");
  fs::create_directory_symlink(Temp.FsPath(), Temp.FsPath() / "a" / "absolute");
  discovery_cases::TBoundedEnumerator bounded(1000);
  ScanFolder(Root, List, bounded);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {"top.jpg", "a/b/deep.jpg"}));
  // Root, a, a/b, and each of the three links once to learn where it leads.
  EXPECT_EQ(bounded.Opened, 6);
}

TEST_F(NativeFolderScan, LinksBetweenSiblingsListTheTargetTwice) {
  Temp.MakeFile("x/p.jpg");
  fs::create_directory_symlink("x", Temp.FsPath() / "link");
  ScanFolder(Root, List);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {"x/p.jpg", "link/p.jpg"}));
}

TEST_F(NativeFolderScan, OnlyRegularFilesAndLinksToThemAreListed) {
  Temp.MakeFile("real.jpg");
  fs::create_symlink("real.jpg", Temp.FsPath() / "alias.jpg");
  fs::create_symlink("nowhere.jpg", Temp.FsPath() / "dangling.jpg");
  ASSERT_EQ(mkfifo((Temp.FsPath() / "pipe.jpg").c_str(), 0600), 0);
  ScanFolder(Root, List);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {"real.jpg", "alias.jpg"}));
}

TEST_F(NativeFolderScan, UnreadableSubfoldersAreSkippedSilently) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  Temp.MakeFile("open.jpg");
  Temp.MakeFile("closed/hidden.jpg");
  fs::permissions(Temp.FsPath() / "closed", fs::perms::none);
  ScanFolder(Root, List);
  fs::permissions(Temp.FsPath() / "closed", fs::perms::owner_all);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {"open.jpg"}));
}

TEST_F(NativeFolderScan, BytesThatAreNotUtf8SurviveInThePath) {
  const std::string name = "raw\xFF\xFE.jpg";
  Temp.MakeFile(name);
  ScanFolder(Root, List);
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List.Strings(0), Root + "/" + name);
}

TEST(NativeFolderIdentity, TheSameFolderByAnyRouteHasOneIdentity) {
  vemo_test::TTempFolder temp;
  temp.MakeFolder("x");
  temp.MakeFolder("y");
  fs::create_directory_symlink("x", temp.FsPath() / "link");
  auto identity = [](const std::string& folder) {
    auto reader = PlatformFolderEnumerator().Open(folder);
    EXPECT_NE(reader, nullptr) << folder;
    return reader ? reader->Identity() : std::nullopt;
  };
  const auto x = identity(temp.Path() + "/x/"), link = identity(temp.Path() + "/link/"),
             y = identity(temp.Path() + "/y/");
  ASSERT_TRUE(x && link && y);
  EXPECT_EQ(*x, *link);
  EXPECT_NE(*x, *y);
}

#endif

}  // namespace
