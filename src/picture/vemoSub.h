// From a picture file to the 16 x 16 tile the notification-area icon shows,
// and the cross-fade between two tiles.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Graphics.h"

// Loads a .bmp, .jpg or .jpeg file (chosen by its extension, any letter case)
// into Bitmap; any other extension leaves Bitmap as it was.
void LoadPicture(const std::string& FileName, TBitmap& Bitmap);

// Shrinks Width x Height to fit a Side x Side square, keeping proportions
// (integer arithmetic, the shorter side rounded down). Never enlarges.
void FitSize(int32_t Side, int32_t& Width, int32_t& Height);

// Paints the picture in FileName, fitted into Side x Side by area averaging,
// centred on the tile's background. On any failure the tile keeps its
// previous content.
void MakeTile(const std::string& FileName, TBitmap& Tile, uint16_t Side);

// What a tile shows where the picture does not cover it.
TColor TileBackColor();

// Dest = Source1 x (1 - Ratio) + Source2 x Ratio, byte by byte; all three pf24bit.
void BlendBitmaps(TBitmap& Dest, const TBitmap& Source1, const TBitmap& Source2, float Ratio);

// The extension of a file name in lower case (A-Z only), without its dot:
// "jpg" for "C:\\Photos\\A.JPG", empty when the name has none.
std::string PictureExtension(const std::string& FileName);
