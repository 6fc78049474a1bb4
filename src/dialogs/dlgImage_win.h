// The preview's window: the resource template IDD_PREVIEW (window class
// TImagePreviewDialog, double clicks on) with the menu bar and context menu
// built from the dialog's menu model, a tooltip with the full path, and the
// picture painted from TImagePreviewDialog::ClientImage. Included only by
// Windows code.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "dialogs/dlgImage.h"
#include "framework/Forms_win.h"
#include "framework/Menus_win.h"
#include "framework/Window_win.h"

inline constexpr wchar_t kPreviewWindowClass[] = L"TImagePreviewDialog";

class TImagePreviewWindow : public TImagePreviewUi, public TWindowBase {
public:
  explicit TImagePreviewWindow(TApplication& application);
  ~TImagePreviewWindow() override;
  TImagePreviewWindow(const TImagePreviewWindow&) = delete;
  TImagePreviewWindow& operator=(const TImagePreviewWindow&) = delete;

  HWND Handle() const { return Window(); }

  void SetDialog(TImagePreviewDialog* dialog) override { FDialog = dialog; }
  void SetClientSize(int32_t width, int32_t height) override;
  int32_t Dpi() override;
  void OuterSize(int32_t& width, int32_t& height) override;
  TRect WorkArea() override;
  void SetPosition(int32_t left, int32_t top) override;
  void SetCaption(const std::string& caption) override;
  void SetHint(const std::string& hint) override;
  void SetMenus(TMenuItem& mainMenu, TMenuItem& popupMenu) override;
  TColor FaceColor() override;
  void Invalidate() override;
  void ShowModal() override;
  void BringToFront() override;
  void ShellOpen(const std::string& path) override;

private:
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR ContextMenu(LPARAM lParam);
  INT_PTR Command(WPARAM wParam, LPARAM lParam);
  void Paint();

  TWindowHandle FToolTip;
  TWinMenu FMainMenu;
  TMenuItem* FPopupMenu = nullptr;
  TImagePreviewDialog* FDialog = nullptr;
  std::wstring FHint;
  bool FClosed = false;
};

// Shows the preview of fileName near the screen point (see
// TImagePreviewDialog::ShowPreviewDialog) with the real window and files.
void ShowPreviewDialog(TApplication& application, const TPoint& point, const std::string& fileName,
                       const std::function<void(const std::string&)>& neverShow = nullptr);
