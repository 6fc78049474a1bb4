#include "picture/HiddenList.h"

#include <gtest/gtest.h>

namespace {

// Looked up as the folder list compares names: case folded in every script,
// and bytes that are no UTF-8 only as they are.
TEST(HiddenList, FindsAPathWhateverItsCaseAndKeepsEachOnce) {
  THiddenList hidden({"C:\\Photos\\Été.JPG", "C:\\p\\\xFF.jpg", "C:\\photos\\été.jpg", "C:\\Shots\\One.bmp"});
  ASSERT_EQ(hidden.Count(), 3);
  for (const char* path : {"c:\\PHOTOS\\ÉTÉ.jpg", "C:\\p\\\xFF.jpg", "c:\\shots\\ONE.BMP"})
    EXPECT_TRUE(hidden.Contains(path)) << path;
  for (const char* path : {"C:\\Photos\\Ete.jpg", "C:\\P\\\xFF.JPG", "C:\\Photos"})
    EXPECT_FALSE(hidden.Contains(path)) << path;
  EXPECT_FALSE(hidden.Add("C:\\PHOTOS\\ÉTÉ.JPG"));
  TStringList list;
  for (const char* path : {"C:\\a.jpg", "c:\\photos\\ÉTÉ.JPG", "C:\\b.jpg"}) list.Add(path);
  PassOverHidden(list, hidden);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(1), "C:\\b.jpg");
}

}  // namespace
