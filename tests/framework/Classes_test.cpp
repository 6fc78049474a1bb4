#include "framework/Classes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Contents(const TStringList& list) {
  std::vector<std::string> result;
  for (int32_t i = 0; i < list.Count(); ++i) result.push_back(list.Strings(i));
  return result;
}

void ExpectIndexError(const std::function<void()>& action, int32_t index) {
  try {
    action();
    ADD_FAILURE() << "no list-index error for " << index;
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(),
              std::string("リストのインデックスが範囲を超えています (") + std::to_string(index) + ")");
  }
}

TEST(StringList, AddInsertAndDeleteKeepTheOrderAndTheObjects) {
  TStringList list;
  TObject first, second;
  EXPECT_EQ(list.Add("b"), 0);
  EXPECT_EQ(list.AddObject("c", &second), 1);
  list.InsertObject(0, "a", &first);
  list.Insert(3, "d");
  EXPECT_THAT(Contents(list), testing::ElementsAre("a", "b", "c", "d"));
  EXPECT_EQ(list.Objects(0), &first);
  EXPECT_EQ(list.Objects(1), nullptr);
  EXPECT_EQ(list.Objects(2), &second);

  list.Delete(1);
  EXPECT_THAT(Contents(list), testing::ElementsAre("a", "c", "d"));
  EXPECT_EQ(list.Objects(1), &second);
  EXPECT_EQ(list.IndexOfObject(&second), 1);
  EXPECT_EQ(list.IndexOfObject(nullptr), 2);

  list.SetStrings(2, "z");
  list.SetObjects(2, &first);
  EXPECT_EQ(list.Strings(2), "z");
  EXPECT_EQ(list.Objects(2), &first);

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringList, ExchangeSwapsStringsTogetherWithTheirObjects) {
  TStringList list;
  TObject a, c;
  list.AddObject("a", &a);
  list.Add("b");
  list.AddObject("c", &c);
  list.Exchange(0, 2);
  EXPECT_THAT(Contents(list), testing::ElementsAre("c", "b", "a"));
  EXPECT_EQ(list.Objects(0), &c);
  EXPECT_EQ(list.Objects(2), &a);
  list.Exchange(1, 1);
  EXPECT_THAT(Contents(list), testing::ElementsAre("c", "b", "a"));
}

TEST(StringList, IndexOfFoldsOnlyAsciiLettersUnlessCaseSensitive) {
  TStringList list;
  list.Add("Photo");
  list.Add("ÉTÉ");
  list.Add("photo");
  EXPECT_EQ(list.IndexOf("PHOTO"), 0);
  EXPECT_EQ(list.IndexOf("ÉTÉ"), 1);
  // Only A-Z fold: the accented capitals are other bytes than their small forms.
  EXPECT_EQ(list.IndexOf("été"), -1);
  EXPECT_EQ(list.IndexOf("phot"), -1);
  list.CaseSensitive = true;
  EXPECT_EQ(list.IndexOf("photo"), 2);
  EXPECT_EQ(list.IndexOf("PHOTO"), -1);
}

TEST(StringList, AssignCopiesStringsAndObjectPointers) {
  TStringList source, target;
  TObject object;
  source.AddObject("x", &object);
  source.Add("y");
  target.Add("old");
  target.Assign(source);
  EXPECT_THAT(Contents(target), testing::ElementsAre("x", "y"));
  EXPECT_EQ(target.Objects(0), &object);
  source.SetStrings(0, "changed");
  EXPECT_EQ(target.Strings(0), "x");
  target.Assign(target);
  EXPECT_EQ(target.Count(), 2);
}

TEST(StringList, IndexesOutsideTheListRaiseTheListIndexError) {
  TStringList list;
  list.Add("a");
  list.Add("b");
  ExpectIndexError([&] { list.Strings(2); }, 2);
  ExpectIndexError([&] { list.Strings(-1); }, -1);
  ExpectIndexError([&] { list.Objects(5); }, 5);
  ExpectIndexError([&] { list.SetStrings(2, "x"); }, 2);
  ExpectIndexError([&] { list.SetObjects(-3, nullptr); }, -3);
  ExpectIndexError([&] { list.Delete(2); }, 2);
  ExpectIndexError([&] { list.Exchange(0, 2); }, 2);
  ExpectIndexError([&] { list.Exchange(-1, 0); }, -1);
  ExpectIndexError([&] { list.Insert(3, "x"); }, 3);
  ExpectIndexError([&] { list.Insert(-1, "x"); }, -1);
  // Nothing changed on the way.
  EXPECT_THAT(Contents(list), testing::ElementsAre("a", "b"));
  // Count itself is a valid insertion point.
  list.Insert(2, "c");
  EXPECT_THAT(Contents(list), testing::ElementsAre("a", "b", "c"));
}

}  // namespace
