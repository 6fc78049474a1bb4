#include "framework/Menus_win.h"

#include <deque>
#include <utility>

#include "framework/ImgList.h"
#include "framework/ImgList_win.h"
#include "framework/Window_win.h"

void TWinMenu::Build(TMenuItem& root, bool bar) {
  FMenu.Reset();
  FSubMenus.clear();
  FBitmaps.clear();
  FItems.clear();
  FNextId = kFirstMenuItemId;
  FRoot = &root;
  FMenu.Reset(BuildLevel(root, bar));
}

HMENU TWinMenu::BuildLevel(TMenuItem& parent, bool bar) {
  TMenuHandle menu(bar ? CreateMenu() : CreatePopupMenu());
  if (!menu) throw Exception(IDS_MENU_CREATE_FAILED, {SystemErrorText(GetLastError())});
  UINT position = 0;
  for (int32_t i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (!item->Visible) continue;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    if (item->IsLine()) {
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_SEPARATOR;
    } else {
      const std::wstring caption = WideOf(item->Caption);
      std::vector<wchar_t> text(caption.begin(), caption.end());
      text.push_back(L'\0');
      info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
      info.fType = MFT_STRING;
      info.dwTypeData = text.data();
      info.fState = (item->Enabled ? MFS_ENABLED : MFS_DISABLED) | (item->Default ? MFS_DEFAULT : 0);
      info.wID = FNextId++;
      FItems[info.wID] = item;
      if (item->Count() > 0) {
        info.fMask |= MIIM_SUBMENU;
        FSubMenus.emplace_back(BuildLevel(*item, false));
        info.hSubMenu = FSubMenus.back().Get();
      }
      const TImageList* images = parent.SubMenuImages;
      if (images && item->ImageIndex >= 0 && item->ImageIndex < images->Count()) {
        FBitmaps.push_back(AlphaBitmapOf(*images, item->ImageIndex));
        info.fMask |= MIIM_BITMAP;
        info.hbmpItem = FBitmaps.back().Get();
      }
      if (!InsertMenuItemW(menu.Get(), position, TRUE, &info))
        throw Exception(IDS_MENU_CREATE_FAILED, {SystemErrorText(GetLastError())});
      // The sub-menu now belongs to the menu that holds it.
      if (info.hSubMenu) FSubMenus.back().Detach();
      ++position;
      continue;
    }
    if (!InsertMenuItemW(menu.Get(), position, TRUE, &info))
      throw Exception(IDS_MENU_CREATE_FAILED, {SystemErrorText(GetLastError())});
    ++position;
  }
  return menu.Detach();
}

TMenuItem* TWinMenu::ItemById(UINT id) const {
  const auto found = FItems.find(id);
  return found == FItems.end() ? nullptr : found->second;
}

namespace {

TMenuOpenHook GMenuOpenHook = nullptr;

// Sends the open menu's handle to the hook once the menu is up.
LRESULT CALLBACK MenuHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_INITMENUPOPUP && GMenuOpenHook) GMenuOpenHook(reinterpret_cast<HMENU>(wParam), window);
  return DefSubclassProc(window, message, wParam, lParam);
}

constexpr UINT_PTR kMenuHookId = 0x766D;

// Removes the subclass when it goes.
class TMenuHookGuard {
public:
  explicit TMenuHookGuard(HWND owner) : FOwner(owner) {
    if (GMenuOpenHook) FInstalled = SetWindowSubclass(owner, MenuHookProc, kMenuHookId, 0);
  }
  ~TMenuHookGuard() {
    if (FInstalled) RemoveWindowSubclass(FOwner, MenuHookProc, kMenuHookId);
  }
  TMenuHookGuard(const TMenuHookGuard&) = delete;
  TMenuHookGuard& operator=(const TMenuHookGuard&) = delete;

private:
  HWND FOwner;
  bool FInstalled = false;
};

}  // namespace

void SetMenuOpenHook(TMenuOpenHook hook) { GMenuOpenHook = hook; }

TMenuItem* TrackMenu(TMenuItem& root, HWND owner, int x, int y) {
  TWinMenu menu;
  menu.Build(root, false);
  UINT chosen = 0;
  {
    TMenuHookGuard hook(owner);
    chosen = UINT(TrackPopupMenu(menu.Handle(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, x, y, 0,
                                 owner, nullptr));
  }
  // Without this the menu of a window in the background does not close when
  // the user clicks elsewhere (the documented TrackPopupMenu rule).
  PostMessageW(owner, WM_NULL, 0, 0);
  return chosen ? menu.ItemById(chosen) : nullptr;
}

namespace {

constexpr UINT kClickMessage = WM_APP + 0x31;
constexpr wchar_t kClickWindowClass[] = L"VemoMenuClick";

bool InTree(const TMenuItem& root, const TMenuItem* item) {
  for (int32_t i = 0; i < root.Count(); ++i) {
    const TMenuItem* child = root.Items(i);
    if (child == item || InTree(*child, item)) return true;
  }
  return false;
}

struct TPendingClick {
  const TApplication* Application;
  TMenuItem* Root;
  TMenuItem* Item;
};

// A message-only window of this thread that clicks the items posted to it,
// oldest first, once the message that chose them has been handled.
class TMenuClickWindow : public TWindowBase {
public:
  explicit TMenuClickWindow(const TApplication& application) : TWindowBase(application) {
    WNDCLASSEXW windowClass = {};
    windowClass.lpszClassName = kClickWindowClass;
    CreateOfClass(windowClass, 0, 0, L"", HWND_MESSAGE);
  }
  ~TMenuClickWindow() override { Destroy(); }

  void Post(const TPendingClick& click) {
    FPending.push_back(click);
    if (!PostMessageW(Window(), kClickMessage, 0, 0)) FPending.pop_back();
  }

protected:
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != kClickMessage) return Default(message, wParam, lParam);
    if (FPending.empty()) return 0;
    const TPendingClick click = FPending.front();
    FPending.pop_front();
    click.Application->Guard([&click] {
      if (InTree(*click.Root, click.Item)) click.Item->Click();
    });
    return 0;
  }

private:
  std::deque<TPendingClick> FPending;
};

}  // namespace

void PostMenuClick(const TApplication& application, TMenuItem& root, TMenuItem* item) {
  if (!item) return;
  // One for the thread's whole life; each click carries its own application.
  static TMenuClickWindow window(application);
  window.Post({&application, &root, item});
}
