#include "common/ZoCommon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Classes.h"

namespace {

// Every test starts from the generator's state at program start and leaves it
// there for the others.
class RandomTest : public testing::Test {
protected:
  void SetUp() override { RandSeed = 0; }
  void TearDown() override { RandSeed = 0; }
};

void Fill(TStringList& list, const std::string& letters) {
  list.Clear();
  for (char c : letters) list.Add(std::string(1, c));
}

std::string Joined(const TStringList& list) {
  std::string result;
  for (int32_t i = 0; i < list.Count(); ++i) result += list.Strings(i);
  return result;
}

TEST_F(RandomTest, EachDrawAdvancesTheSeedByTheLinearCongruence) {
  uint32_t seed = 0;
  for (int draw = 0; draw < 1000; ++draw) {
    const uint32_t range = uint32_t(draw * 7919u);
    const uint32_t value = Random(range);
    seed = seed * 0x08088405u + 1u;
    ASSERT_EQ(RandSeed, seed) << "draw " << draw;
    ASSERT_EQ(value, uint32_t((uint64_t(seed) * range) >> 32)) << "draw " << draw;
    if (range > 0) {
      ASSERT_LT(value, range);
    }
  }
}

TEST_F(RandomTest, TheFirstDrawsFromAFreshGeneratorAreTheKnownSequence) {
  std::vector<uint32_t> values;
  for (int i = 0; i < 6; ++i) values.push_back(Random(100));
  EXPECT_THAT(values, testing::ElementsAre(0u, 3u, 86u, 20u, 27u, 67u));
  EXPECT_EQ(RandSeed, 2884733762u);
}

TEST_F(RandomTest, ZeroRangeGivesZeroButStillAdvances) {
  EXPECT_EQ(Random(0), 0u);
  EXPECT_EQ(RandSeed, 1u);
  EXPECT_EQ(Random(0), 0u);
  EXPECT_EQ(RandSeed, 134775814u);
}

TEST_F(RandomTest, ShufflingTenItemsTwiceFromAFreshGeneratorGivesTheKnownOrders) {
  TStringList list;
  Fill(list, "abcdefghij");
  ShuffleStrings(list);
  EXPECT_EQ(Joined(list), "hedicgbfja");
  Fill(list, "abcdefghij");
  ShuffleStrings(list);
  EXPECT_EQ(Joined(list), "bhfegjicad");
}

TEST_F(RandomTest, ShortListsFromAFreshGeneratorRotateLeft) {
  TStringList list;
  Fill(list, "abcd");
  ShuffleStrings(list);
  EXPECT_EQ(Joined(list), "bcda");
  RandSeed = 0;
  Fill(list, "abcde");
  ShuffleStrings(list);
  EXPECT_EQ(Joined(list), "bcdea");
}

TEST_F(RandomTest, TwoAndThreeItemsGiveTheSameOrderWhateverTheSeed) {
  TStringList list;
  for (uint32_t seed : {0u, 1u, 12345u, 0x80000000u, 0xFFFFFFFFu}) {
    RandSeed = seed;
    Fill(list, "ab");
    ShuffleStrings(list);
    EXPECT_EQ(Joined(list), "ba") << seed;
    Fill(list, "abc");
    ShuffleStrings(list);
    EXPECT_EQ(Joined(list), "bca") << seed;
  }
}

TEST_F(RandomTest, EmptyAndSingleListsStayAndDrawNothing) {
  TStringList list;
  ShuffleStrings(list);
  EXPECT_EQ(RandSeed, 0u);
  list.Add("only");
  ShuffleStrings(list);
  EXPECT_EQ(Joined(list), "only");
  EXPECT_EQ(RandSeed, 0u);
}

TEST_F(RandomTest, ShufflingMovesObjectsWithTheirStringsAndDrawsOncePerItemButOne) {
  TStringList list;
  std::vector<TObject> objects(50);
  for (int i = 0; i < 50; ++i) list.AddObject(std::to_string(i), &objects[size_t(i)]);
  ShuffleStrings(list);
  uint32_t seed = 0;
  for (int i = 0; i < 49; ++i) seed = seed * 134775813u + 1u;
  EXPECT_EQ(RandSeed, seed);
  std::vector<bool> seen(50, false);
  for (int32_t i = 0; i < list.Count(); ++i) {
    const int original = std::stoi(list.Strings(i));
    EXPECT_EQ(list.Objects(i), &objects[size_t(original)]);
    EXPECT_FALSE(seen[size_t(original)]);
    seen[size_t(original)] = true;
  }
  // Item 49 was exchanged with one of 0 .. 47, never with itself or 48.
  EXPECT_NE(list.Strings(49), "49");
  EXPECT_NE(list.Strings(49), "48");
}

}  // namespace
