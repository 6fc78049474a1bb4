// The Win32 side of the image list: an HIMAGELIST made from a TImageList, and
// the 32-bit bitmaps with alpha that menu items show. Included only by Windows
// code.
#pragma once

#include <windows.h>
// The common-controls header needs the Windows types first.
#include <commctrl.h>

#include "framework/Forms_win.h"
#include "framework/ImgList.h"

using TImageListHandle = TOwnedHandle<HIMAGELIST, &ImageList_Destroy>;

// The monochrome bitmap of a mask, as icons and image lists take one: its
// black pixels opaque (clear bits), every other one transparent (set bits).
// Null when the system cannot make it.
TGdiBitmap MonochromeOf(const TBitmap& mask);

// A masked 24-bit image list holding copies of every image of list.
TImageListHandle ImageListHandleOf(const TImageList& list);

// Image index of list as a 32-bit top-down DIB section with premultiplied
// alpha: the mask's white pixels transparent, its black ones opaque. Menus
// draw such a bitmap (hbmpItem) with its transparency.
TGdiBitmap AlphaBitmapOf(const TImageList& list, int32_t index);
