#include "framework/Menus.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/ImgList.h"

namespace {

TEST(MenuItem, ChildrenBelongToTheirParentInOrder) {
  TMenuItem root;
  TMenuItem* b = root.Add(std::make_unique<TMenuItem>("b"));
  TMenuItem* a = root.Insert(0, std::make_unique<TMenuItem>("a"));
  TMenuItem* line = root.Add(std::make_unique<TMenuItem>("-"));
  ASSERT_EQ(root.Count(), 3);
  EXPECT_EQ(root.Items(0), a);
  EXPECT_EQ(root.Items(1), b);
  EXPECT_EQ(root.Items(2), line);
  EXPECT_EQ(a->Parent(), &root);
  EXPECT_EQ(root.Parent(), nullptr);
  EXPECT_TRUE(line->IsLine());
  EXPECT_FALSE(a->IsLine());
  EXPECT_EQ(root.IndexOf(b), 1);
  EXPECT_EQ(root.IndexOf(&root), -1);

  root.Delete(0);
  EXPECT_EQ(root.Count(), 2);
  EXPECT_EQ(root.Items(0), b);
}

TEST(MenuItem, NewItemsAreVisibleEnabledAndWithoutImage) {
  TMenuItem item;
  EXPECT_TRUE(item.Visible);
  EXPECT_TRUE(item.Enabled);
  EXPECT_EQ(item.ImageIndex, -1);
  EXPECT_EQ(item.Tag, 0);
  EXPECT_EQ(item.SubMenuImages, nullptr);
}

TEST(MenuItem, ClickCallsTheHandlerWithTheItemAndIsHarmlessWithoutOne) {
  TMenuItem root;
  TMenuItem* item = root.Add(std::make_unique<TMenuItem>("x"));
  item->Click();  // no handler: nothing happens
  std::vector<TMenuItem*> senders;
  item->OnClick = [&](TMenuItem* sender) { senders.push_back(sender); };
  item->Click();
  item->Click();
  ASSERT_EQ(senders.size(), 2u);
  EXPECT_EQ(senders[0], item);
}

TEST(MenuItem, IndexesOutsideTheChildrenRaiseTheListIndexError) {
  TMenuItem root;
  root.Add(std::make_unique<TMenuItem>("a"));
  EXPECT_THROW(root.Items(1), EListError);
  EXPECT_THROW(root.Items(-1), EListError);
  EXPECT_THROW(root.Delete(1), EListError);
  EXPECT_THROW(root.Insert(2, std::make_unique<TMenuItem>("b")), EListError);
  EXPECT_THROW(root.Add(nullptr), Exception);
  EXPECT_EQ(root.Count(), 1);
}

TEST(MenuItem, DestroyingAParentDestroysItsChildren) {
  // Each child counts its own destruction.
  int destroyed = 0;
  struct TCounted : TMenuItem {
    explicit TCounted(int& counter) : Counter(counter) {}
    ~TCounted() override { ++Counter; }
    int& Counter;
  };
  {
    TMenuItem root;
    TMenuItem* sub = root.Add(std::make_unique<TCounted>(destroyed));
    sub->Add(std::make_unique<TCounted>(destroyed));
    root.Add(std::make_unique<TCounted>(destroyed));
    root.Delete(1);
    EXPECT_EQ(destroyed, 1);
  }
  EXPECT_EQ(destroyed, 3);
}

}  // namespace
