// Scans of real folders that must come out the same on every platform. Both
// the native core tests and the Windows tests include this file, each with its
// own platform enumeration behind ScanFolder.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Discovery.h"
#include "framework/Classes.h"
#include "support/TempFolder.h"

namespace discovery_cases {

inline std::vector<std::string> Sorted(const TStringList& list, int32_t from = 0) {
  std::vector<std::string> result;
  for (int32_t i = from; i < list.Count(); ++i) result.push_back(list.Strings(i));
  std::sort(result.begin(), result.end());
  return result;
}

// relative uses "/" between components; the result is the platform's spelling.
inline std::string Native(const std::string& base, const std::string& relative) {
  std::string result = base;
  result += PathDelim;
  for (char c : relative) result += c == '/' ? PathDelim : c;
  return result;
}

inline std::vector<std::string> NativeAll(const std::string& base, std::vector<std::string> relatives) {
  for (std::string& relative : relatives) relative = Native(base, relative);
  std::sort(relatives.begin(), relatives.end());
  return relatives;
}

// The platform's enumeration with the folders' identities withheld: the walk
// then follows every link as the plain recursion would, which shows that a
// test tree really holds a cycle.
class TWithoutIdentity : public TFolderEnumerator {
public:
  std::unique_ptr<TFolderReader> Open(const std::string& folder) override {
    auto reader = PlatformFolderEnumerator().Open(folder);
    if (!reader) return nullptr;
    return std::make_unique<TReader>(std::move(reader));
  }

private:
  class TReader : public TFolderReader {
  public:
    explicit TReader(std::unique_ptr<TFolderReader> inner) : FInner(std::move(inner)) {}
    std::optional<TFolderIdentity> Identity() override { return std::nullopt; }
    bool Next(TFolderEntry& entry) override { return FInner->Next(entry); }

  private:
    std::unique_ptr<TFolderReader> FInner;
  };
};

// The platform's enumeration, refusing to open more than a bound of folders,
// so that a scan which failed to stop at a cycle fails the test quickly
// instead of running for hours.
class TBoundedEnumerator : public TFolderEnumerator {
public:
  explicit TBoundedEnumerator(int bound) : FLeft(bound) {}
  std::unique_ptr<TFolderReader> Open(const std::string& folder) override {
    if (FLeft == 0) return nullptr;
    --FLeft;
    ++Opened;
    return PlatformFolderEnumerator().Open(folder);
  }
  int Opened = 0;

private:
  int FLeft;
};

class RealFolderScan : public testing::Test {
protected:
  vemo_test::TTempFolder Temp;
  std::string Root = Temp.Path();
  TStringList List;
};

TEST_F(RealFolderScan, ListsPicturesOfTheFolderAndItsSubfoldersOnly) {
  Temp.MakeFile("x.BMP");
  Temp.MakeFile("y.jpeg");
  Temp.MakeFile("z.png");
  Temp.MakeFile("s/w.jpg");
  ScanFolder(Root, List);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {"x.BMP", "y.jpeg", "s/w.jpg"}));
}

TEST_F(RealFolderScan, ExtensionsCountOnlyWhenTheyAreExactlyAPicturesOnes) {
  for (const char* name :
       {"PHOTO.JPG", "a.Jpeg", "b.bMp", "c.jpe", "d.gif", "e.bmp.txt", "f", "g.jpg_", "h.jpeg~"})
    Temp.MakeFile(std::string("files/") + name);
  // A folder named like a picture is scanned, never listed itself.
  Temp.MakeFile("album.jpg/inner.jpg");
  ScanFolder(Root, List);
  EXPECT_EQ(Sorted(List),
            NativeAll(Root, {"files/PHOTO.JPG", "files/a.Jpeg", "files/b.bMp", "album.jpg/inner.jpg"}));
}

TEST_F(RealFolderScan, ATrailingDelimiterMakesNoDifference) {
  Temp.MakeFile("a/b/c.jpg");
  ScanFolder(Root, List);
  ScanFolder(Root + PathDelim, List);
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(List.Strings(0), Native(Root, "a/b/c.jpg"));
  EXPECT_EQ(List.Strings(1), List.Strings(0));
}

TEST_F(RealFolderScan, MissingFoldersAndFilesAddNothingAndKeepTheList) {
  Temp.MakeFile("only.jpg");
  List.Add("kept");
  ScanFolder(Native(Root, "missing"), List);
  ScanFolder(Native(Root, "missing/deeper"), List);
  ScanFolder(Native(Root, "only.jpg"), List);
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List.Strings(0), "kept");
  ScanFolder(Root, List);
  EXPECT_EQ(List.Count(), 2);
  EXPECT_EQ(List.Strings(1), Native(Root, "only.jpg"));
}

TEST_F(RealFolderScan, EmptyFoldersAndFoldersWithoutPicturesGiveNothing) {
  Temp.MakeFolder("empty");
  Temp.MakeFile("texts/readme.txt");
  ScanFolder(Root, List);
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(RealFolderScan, NonAsciiNamesAreFoundAndKeptIntact) {
  // Japanese, accented Latin, and characters no Japanese code page can hold:
  // Hangul, an emoji outside the basic plane, and a combining accent.
  const std::vector<std::string> pictures = {"写真/桜の花.jpg", "Été/Crème brûlée.JPEG", "한국어/사진.bmp",
                                             "😀 faces/🐱.jpg",   "Åsa/e\xCC\x81.jpg",     "表示/ソ十能.bmp"};
  for (const std::string& picture : pictures) Temp.MakeFile(picture);
  Temp.MakeFile("写真/メモ.txt");
  ScanFolder(Root, List);
  EXPECT_EQ(Sorted(List), NativeAll(Root, pictures));
  // A non-ASCII registered folder itself.
  TStringList inner;
  ScanFolder(Native(Root, "😀 faces"), inner);
  ASSERT_EQ(inner.Count(), 1);
  EXPECT_EQ(inner.Strings(0), Native(Root, "😀 faces/🐱.jpg"));
}

TEST_F(RealFolderScan, AFolderAndItsSubfolderBothRegisteredListTheSubfolderTwice) {
  Temp.MakeFile("top.jpg");
  Temp.MakeFile("sub/inner.bmp");
  ScanFolder(Root, List);
  ScanFolder(Native(Root, "sub"), List);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {"top.jpg", "sub/inner.bmp", "sub/inner.bmp"}));
}

TEST_F(RealFolderScan, DeepTreesAreWalkedToTheBottom) {
  std::string relative;
  for (int depth = 0; depth < 24; ++depth) relative += std::string("d") + std::to_string(depth) + "/";
  Temp.MakeFile(relative + "deep.jpg");
  Temp.MakeFile("d0/shallow.jpg");
  ScanFolder(Root, List);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {relative + "deep.jpg", "d0/shallow.jpg"}));
}

TEST_F(RealFolderScan, ManyEntriesAreAllListed) {
  std::vector<std::string> expected;
  for (int i = 0; i < 600; ++i) {
    const std::string name = std::string("many/") + std::to_string(i) + (i % 3 == 0 ? ".jpg" : ".dat");
    Temp.MakeFile(name);
    if (i % 3 == 0) expected.push_back(name);
  }
  ScanFolder(Root, List);
  EXPECT_EQ(Sorted(List), NativeAll(Root, expected));
}

}  // namespace discovery_cases
