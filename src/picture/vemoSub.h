// From a picture file to the square tile the notification-area icon shows
// (16 x 16 at 96 dpi, the small-icon size of the display otherwise), and the
// cross-fade between two tiles.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Graphics.h"
#include "picture/Exif.h"

// Loads a .bmp, .jpg or .jpeg file, or one of the other formats on offer
// (chosen by its extension, any letter case), into Bitmap as stored (other
// formats as pf24bit, laid over black); any other extension leaves Bitmap as
// it was. Orientation, when given, receives how the picture is set upright
// (orNormal unless the file records an orientation).
void LoadPicture(const std::string& FileName, TBitmap& Bitmap, TOrientation* Orientation = nullptr);

// Shrinks Width x Height to fit a Side x Side square, keeping proportions
// (integer arithmetic, the shorter side rounded down). Never enlarges.
void FitSize(int32_t Side, int32_t& Width, int32_t& Height);

// The size a stored Width x Height picture is shrunk to so that, once turned
// upright by orientation, it fits Side x Side: FitSize on the upright size,
// the result's sides exchanged back for orientations 5 to 8.
void FitStoredSize(int32_t Side, TOrientation orientation, int32_t& Width, int32_t& Height);

// Paints the picture in FileName, upright, fitted into Side x Side by area
// averaging (of the picture as stored, turned upright afterwards), centred on
// the tile's background. On any failure the tile keeps its
// previous content.
void MakeTile(const std::string& FileName, TBitmap& Tile, uint16_t Side);

// A length of Pixels96 at 96 dpi, at Dpi (MulDiv's rounding; 96 for a
// Dpi that is not positive).
int32_t ScaledForDpi(int32_t Pixels96, int32_t Dpi);

// What a tile shows where the picture does not cover it.
TColor TileBackColor();

// Dest = Source1 x (1 - Ratio) + Source2 x Ratio, byte by byte; all three pf24bit.
void BlendBitmaps(TBitmap& Dest, const TBitmap& Source1, const TBitmap& Source2, float Ratio);

// The extension of a file name in lower case (A-Z only), without its dot:
// "jpg" for "C:\\Photos\\A.JPG", empty when the name has none.
std::string PictureExtension(const std::string& FileName);
