// The configuration dialog's window: the resource template IDD_CONFIG made
// into TConfigDialog's window, its texts given the room they need, run
// modally. Included only by Windows code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/dlgConfig.h"
#include "framework/Forms_win.h"
#include "framework/Window_win.h"

class TConfigDialogWindow : public TConfigDialogUi, public TWindowBase, private TSortedListBox {
public:
  // Creates the (hidden) window from its template, owned by owner.
  TConfigDialogWindow(HWND owner, const TApplication& application);
  ~TConfigDialogWindow() override;
  TConfigDialogWindow(const TConfigDialogWindow&) = delete;
  TConfigDialogWindow& operator=(const TConfigDialogWindow&) = delete;

  HWND Handle() const { return Window(); }

  // --- TConfigDialogUi ------------------------------------------------------------
  void SetDialog(TConfigDialog* dialog) override { FDialog = dialog; }
  void SetCaption(const std::string& caption) override;
  TSortedListBox& lstFolders() override { return *this; }
  void ShowInterval(int32_t position, const std::string& text) override;
  std::string ThousandsSeparator() override;
  bool IniChecked() override;
  void SetIniChecked(bool checked) override;
  bool RegistryChecked() override;
  void SetRegistryChecked(bool checked) override;
  bool OnlineOnlyChecked() override;
  void SetOnlineOnlyChecked(bool checked) override;
  void ShowHidden(const std::vector<std::string>& paths) override;
  std::vector<int32_t> SelectedHidden() override;
  int32_t ShowModal() override;
  bool BrowseForFolder(const std::string& title, int rootCsidl, const TBrowseStart& start, uint32_t flags,
                       std::string& path) override;
  void ShellOpen(const std::string& path) override;
  void MessageBox(const std::string& text, TMsgDlgType type) override;

private:
  // --- TSortedListBox (lstFolders) ---------------------------------------------------
  void Clear() override;
  int32_t Add(const std::string& text) override;
  int32_t Count() override;
  std::string Items(int32_t index) override;
  int32_t ItemIndex() override;
  void SetItemIndex(int32_t index) override;

  static LRESULT CALLBACK FoldersWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
  // Routes a message to its handler below.
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR InitDialog();
  INT_PTR ControlColour(HDC dc, HWND control);
  INT_PTR EraseBackground(HDC dc);
  void ColoursChanged();
  INT_PTR Command(int id, int code);
  void IntervalEdited();
  INT_PTR Notify(const NMHDR& header);
  void FitTexts();
  void EndModal(int32_t result);
  void ShowPage(int page);
  void UsePageColour();
  HWND Item(int id) const { return GetDlgItem(Window(), id); }

  HWND FOwner;
  TConfigDialog* FDialog = nullptr;
  int32_t FModalResult = 0;
  COLORREF FPageColour = 0;
  TGdiBrush FPageBrush;
};

// Runs the configuration dialog modally, owned by owner (the main window).
TConfigDialogResult ShowConfigDialog(HWND owner, const TApplication& application, TConfigDialogParams params);
