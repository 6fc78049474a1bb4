#include "framework/OwnedHandle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> gReleased;
void ReleaseFake(int handle) { gReleased.push_back(handle); }

// Like a file handle: -1 is the failure value and owns nothing either.
struct TMinusOneIsNone {
  static bool IsNone(int handle) { return handle == 0 || handle == -1; }
};

using TFake = TOwnedHandle<int, &ReleaseFake>;
using TFakeFile = TOwnedHandle<int, &ReleaseFake, TMinusOneIsNone>;

TEST(OwnedHandle, EveryHandleIsReleasedOnceByItsLastOwner) {
  gReleased.clear();
  {
    TFake first(7);
    TFake second(std::move(first));
    EXPECT_FALSE(first);
    TFake third(9);
    third = std::move(second);  // 9 goes now, 7 stays with third
    EXPECT_EQ(gReleased, std::vector<int>{9});
    third.Reset(11);
    TFake detached(12);
    EXPECT_EQ(detached.Detach(), 12);
  }
  EXPECT_EQ(gReleased, (std::vector<int>{9, 7, 11}));
}

TEST(OwnedHandle, AFailureValueOwnsNothing) {
  gReleased.clear();
  {
    TFakeFile failed(-1);
    EXPECT_FALSE(failed);
    TFakeFile opened(3);
    EXPECT_TRUE(opened);
  }
  EXPECT_EQ(gReleased, std::vector<int>{3});
}

}  // namespace
