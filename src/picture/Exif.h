// The orientation a camera records in a JPEG's EXIF block, and the turns and
// mirrors that set a picture upright by it.
//
// The block comes from a file and is treated as hostile: whatever cannot be
// read (truncated, offsets outside it, absurd counts, a value out of range)
// counts as no orientation, never as an error, and nothing outside the given
// bytes is ever read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/Graphics.h"
#include "framework/PictureDecoder.h"

// The orientation in an APP1 segment's payload (what follows the marker and
// its length: "Exif\0\0", then the TIFF header and IFD0). orNormal when the
// payload is not EXIF, has no Orientation in IFD0, or cannot be read.
TOrientation ExifOrientation(const uint8_t* payload, size_t size);

// Orientations 5 to 8 exchange the picture's width and height.
inline bool SwapsSides(TOrientation orientation) { return orientation >= orTranspose; }

// Source turned upright: a new bitmap of the same pixel format (packed
// formats come out as pf24bit), with width and height exchanged for orientations 5 to 8.
std::unique_ptr<TBitmap> OrientBitmap(const TBitmap& Source, TOrientation orientation);
