#include "framework/Graphics.h"

#include <gtest/gtest.h>

TEST(Graphics, ConvertingTo32BitsClearsTheFourthByte) {
  TBitmap bmp(2, 1, pf24bit);
  bmp.Canvas().SetPixel(0, 0, RGBColor(10, 20, 30));
  bmp.SetPixelFormat(pf32bit);
  const uint8_t* row = bmp.ScanLine(0);
  EXPECT_EQ(row[0], 30);
  EXPECT_EQ(row[1], 20);
  EXPECT_EQ(row[2], 10);
  EXPECT_EQ(row[3], 0);
}
