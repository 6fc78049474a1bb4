// The Win32 rendering of the menu model: a real menu (popup or menu bar) built
// from a TMenuItem tree, with the images of the parent's image list, shown
// with TrackPopupMenu; and the chosen item clicked once the menu's caller has
// returned. Included only by Windows code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <vector>

#include "framework/Forms_win.h"
#include "framework/Menus.h"

using TMenuHandle = TOwnedHandle<HMENU, &DestroyMenu>;

// The command numbers built menus give their items start here, clear of the
// actions' numbers.
inline constexpr UINT kFirstMenuItemId = 0x7000;

// One built menu and what it was built from. Built again whenever the model
// may have changed (before every popup); the bitmaps live as long as the menu.
class TWinMenu {
public:
  TWinMenu() = default;
  TWinMenu(const TWinMenu&) = delete;
  TWinMenu& operator=(const TWinMenu&) = delete;

  // Builds root's visible children: captions, enabled and default states,
  // separators, sub-menus, images from root's SubMenuImages. A menu bar when
  // bar is true, a popup menu otherwise.
  void Build(TMenuItem& root, bool bar);
  HMENU Handle() const { return FMenu.Get(); }
  // Hands the built menu over (to a window as its menu bar, which destroys it).
  HMENU DetachHandle() { return FMenu.Detach(); }
  // The item a command number of the last build stands for, or null.
  TMenuItem* ItemById(UINT id) const;
  TMenuItem* Root() const { return FRoot; }

private:
  HMENU BuildLevel(TMenuItem& parent, bool bar);

  TMenuItem* FRoot = nullptr;
  TMenuHandle FMenu;
  std::vector<TMenuHandle> FSubMenus;
  std::vector<TGdiBitmap> FBitmaps;
  std::map<UINT, TMenuItem*> FItems;
  UINT FNextId = kFirstMenuItemId;
};

// Shows root as a popup menu at the screen point, owned by owner, and returns
// the chosen item (null when the user chose nothing). The owner should be the
// foreground window; a WM_NULL is posted to it afterwards so that the menu
// closes properly when the user clicks elsewhere. The item is not clicked.
TMenuItem* TrackMenu(TMenuItem& root, HWND owner, int x, int y);

// Clicks item after the current message has been handled: a message is
// posted to a window of this thread. The item is clicked only if it is still
// in root's tree then; an error escaping it goes to the application's error
// display.
void PostMenuClick(const TApplication& application, TMenuItem& root, TMenuItem* item);

// What TrackMenu saw last: the built menu stays readable for tests through a
// hook called while the menu is open, with the menu's handle.
using TMenuOpenHook = void (*)(HMENU menu, HWND owner);
void SetMenuOpenHook(TMenuOpenHook hook);
