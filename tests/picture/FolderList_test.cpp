#include "picture/FolderList.h"
#include "picture/HiddenList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Contents(const TFolderList& list) {
  std::vector<std::string> result;
  for (int32_t i = 0; i < list.Count(); ++i) result.push_back(list.Items(i));
  return result;
}

void Fill(TFolderList& list, std::initializer_list<const char*> folders) {
  list.Clear();
  for (const char* folder : folders) ASSERT_TRUE(list.Add(folder)) << folder;
}

TEST(FileNameEquality, EveryLetterFoldsAsWindowsFileSystemsFoldIt) {
  EXPECT_EQ(LowerCaseFileName("C:\\Pictures\\ÄÖÜ Été"), "c:\\pictures\\ÄÖÜ Été");
  EXPECT_TRUE(SameFileName("C:\\PICTURES", "c:\\pictures"));
  EXPECT_TRUE(SameFileName("C:\\Été", "C:\\ÉTÉ"));
  EXPECT_TRUE(SameFileName("ＡＢＣ Ωμέγα Москва ǆ", "ａｂｃ ΩΜΈΓΑ МОСКВА Ǆ"));
  // One-to-one only: "ß" has no single upper-case letter and stays itself.
  EXPECT_FALSE(SameFileName("straße", "STRASSE"));
  EXPECT_TRUE(SameFileName("Straße", "STRAßE"));
  EXPECT_FALSE(SameFileName("写真", "寫真"));
  EXPECT_FALSE(SameFileName("abc", "abcd"));
  // Non-letters next to the letters' range are left alone: "@" and "[" are not "`" and "{".
  EXPECT_FALSE(SameFileName("@[", "`{"));
  EXPECT_TRUE(SameFileName("", ""));
  // Bytes that are no UTF-8 match only themselves.
  EXPECT_TRUE(SameFileName("a\xFF", "a\xFF"));
  EXPECT_FALSE(SameFileName("a\xFF", "A\xFE"));
}

TEST(FolderList, AddRefusesEmptyPathsAndFoldersAlreadyListed) {
  TFolderList list;
  EXPECT_FALSE(list.Add(""));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Add("C:\\Pictures"));
  EXPECT_FALSE(list.Add("c:\\pictures"));
  EXPECT_FALSE(list.Add("C:\\PICTURES"));
  // No normalisation: a trailing separator or a changed spelling is another folder.
  EXPECT_TRUE(list.Add("C:\\Pictures\\"));
  EXPECT_TRUE(list.Add("C:/Pictures"));
  EXPECT_TRUE(list.Add("C:\\写真"));
  EXPECT_FALSE(list.Add("c:\\写真"));
  EXPECT_THAT(Contents(list),
              testing::ElementsAre("C:\\Pictures", "C:\\Pictures\\", "C:/Pictures", "C:\\写真"));
}

TEST(FolderList, IndexOfFindsTheFirstEntryEqualAsAFileName) {
  TFolderList list;
  EXPECT_EQ(list.IndexOf("anything"), -1);
  EXPECT_EQ(list.IndexOf(""), -1);
  Fill(list, {"/home/a", "/home/B", "/home/été"});
  EXPECT_EQ(list.IndexOf("/HOME/b"), 1);
  EXPECT_EQ(list.IndexOf("/home/ÉTÉ"), 2);
  EXPECT_EQ(list.IndexOf("/home/été"), 2);
  EXPECT_EQ(list.IndexOf("/home"), -1);
}

TEST(FolderList, EqualsIgnoresOrderAndLetterCase) {
  TFolderList ab, ba, a, upperA, empty1, empty2;
  Fill(ab, {"A", "B"});
  Fill(ba, {"B", "A"});
  Fill(a, {"A"});
  Fill(upperA, {"a"});
  EXPECT_TRUE(ab.Equals(ba));
  EXPECT_TRUE(ba.Equals(ab));
  EXPECT_FALSE(ab.Equals(a));
  EXPECT_FALSE(a.Equals(ab));
  EXPECT_TRUE(a.Equals(upperA));
  EXPECT_TRUE(empty1.Equals(empty2));
  EXPECT_FALSE(empty1.Equals(a));
  TFolderList ac;
  Fill(ac, {"A", "C"});
  EXPECT_FALSE(ab.Equals(ac));
}

TEST(FolderList, AssignCopiesTheOtherListInItsOrder) {
  TFolderList source, target, empty;
  Fill(source, {"C", "A", "B"});
  Fill(target, {"X"});
  target.Assign(source);
  EXPECT_THAT(Contents(target), testing::ElementsAre("C", "A", "B"));
  source.Delete(0);
  EXPECT_EQ(target.Count(), 3);
  target.Assign(empty);
  EXPECT_EQ(target.Count(), 0);
}

TEST(FolderList, DeleteMovesLaterEntriesUpAndClearEmpties) {
  TFolderList list;
  Fill(list, {"A", "B", "C"});
  list.Delete(0);
  EXPECT_THAT(Contents(list), testing::ElementsAre("B", "C"));
  EXPECT_EQ(list.IndexOf("B"), 0);
  // The deleted folder may be added again, at the end.
  EXPECT_TRUE(list.Add("a"));
  EXPECT_THAT(Contents(list), testing::ElementsAre("B", "C", "a"));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(FolderList, IndexesOutsideTheListRaiseTheListIndexError) {
  TFolderList list;
  Fill(list, {"A"});
  try {
    list.Items(1);
    ADD_FAILURE() << "no error";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(), "リストのインデックスが範囲を超えています (1)");
  }
  EXPECT_THROW(list.Items(-1), EListError);
  EXPECT_THROW(list.Delete(1), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_EQ(list.Count(), 1);
}

// The hidden pictures are looked up by a hash of the name as it compares.
TEST(HiddenList, FindsAPathWhateverItsCaseAndKeepsEachOnce) {
  THiddenList hidden({"C:\\Photos\\Été.JPG", "C:\\p\\\xFF.jpg", "C:\\photos\\été.jpg", "C:\\Shots\\One.bmp"});
  ASSERT_EQ(hidden.Count(), 3);
  for (const char* path : {"c:\\PHOTOS\\ÉTÉ.jpg", "C:\\p\\\xFF.jpg", "c:\\shots\\ONE.BMP"})
    EXPECT_TRUE(hidden.Contains(path)) << path;
  for (const char* path : {"C:\\Photos\\Ete.jpg", "C:\\P\\\xFF.JPG", "C:\\Photos"})
    EXPECT_FALSE(hidden.Contains(path)) << path;
}

}  // namespace
