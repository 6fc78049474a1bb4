// The default picture drawn at any tile side: a white four-armed pinwheel with
// soft grey edges on black. The 16-pixel picture is hand-tuned; larger tiles
// get this shape, drawn at their own size so that it stays crisp instead of
// being stretched.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Graphics.h"

// side x side grey levels, rows from the top: the part of each pixel that
// the pinwheel covers, measured on an 8 x 8 grid of samples.
std::vector<uint8_t> PinwheelGreys(int32_t side);

// The default tile: the pinwheel in grey levels on the tiles' back colour.
std::unique_ptr<TBitmap> MakeDefaultTile(int32_t side = 16);
