#include "dialogs/dlgConfig_win.h"

// The common-controls and shell headers need the Windows types first.
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "common/ZoShell_win.h"
#include "dialogs/dlgResource.h"

namespace {

constexpr UINT_PTR kFoldersSubclassId = 1;

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(size_t(std::max(length, 0)) + 1, L'\0');
  GetWindowTextW(window, buffer.data(), int(buffer.size()));
  return Utf8Of(buffer.data());
}

// A window's device context with the window's font selected, both given back
// when it goes.
class TWindowFontDC {
public:
  explicit TWindowFontDC(HWND window) : FWindow(window), FDC(GetDC(window)) {
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (FDC && font) FOld = SelectObject(FDC, font);
  }
  ~TWindowFontDC() {
    if (FDC && FOld) SelectObject(FDC, FOld);
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  TWindowFontDC(const TWindowFontDC&) = delete;
  TWindowFontDC& operator=(const TWindowFontDC&) = delete;
  HDC Get() const { return FDC; }

private:
  HWND FWindow;
  HDC FDC;
  HGDIOBJ FOld = nullptr;
};

// The size a control's text needs: on one line, or wrapped at width.
SIZE TextSize(HWND control, int width, bool wrap) {
  TWindowFontDC dc(control);
  std::vector<wchar_t> text(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
  GetWindowTextW(control, text.data(), int(text.size()));
  RECT rect = {0, 0, wrap ? width : 0, 0};
  DrawTextW(dc.Get(), text.data(), -1, &rect, DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// The tab control's page, in the control's own coordinates.
RECT PageRect(HWND tabs) {
  RECT page;
  GetClientRect(tabs, &page);
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  return page;
}

// The colour the tab control gives its page, read from the control's own
// drawing: the texts and buttons on the page then sit on the page's colour,
// with visual styles or without.
COLORREF PageColour(HWND tabs) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  RECT client;
  GetClientRect(tabs, &client);
  if (client.right <= 0 || client.bottom <= 0) return face;
  const RECT page = PageRect(tabs);
  TScreenDC screen;
  TMemoryDC memory(CreateCompatibleDC(screen.Get()));
  TGdiBitmap canvas(CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
  if (!memory || !canvas) return face;
  const TSelectedObject selected(memory.Get(), canvas.Get());
  FillRect(memory.Get(), &client, GetSysColorBrush(COLOR_BTNFACE));
  SendMessageW(tabs, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT | PRF_ERASEBKGND);
  const COLORREF colour = GetPixel(memory.Get(), (page.left + page.right) / 2, (page.top + page.bottom) / 2);
  return colour == CLR_INVALID ? face : colour;
}

bool OnPage(int id) { return id >= IDC_GROUPBOX2 && id <= IDC_LABEL5; }

struct TPlace {
  int Left, Top, Width, Height;
};

}  // namespace

TConfigDialogWindow::TConfigDialogWindow(HWND owner, const TApplication& application)
    : FApplication(application), FOwner(owner) {
  const HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONFIG), owner,
                                         &TConfigDialogWindow::DialogProc, reinterpret_cast<LPARAM>(this));
  if (!window) throw Exception("ダイアログを作成できません: " + SystemErrorText(GetLastError()));
  if (FWindow.Get() != window) FWindow.Reset(window);
}

TConfigDialogWindow::~TConfigDialogWindow() {
  if (FWindow) {
    RemoveWindowSubclass(Item(IDC_LSTFOLDERS), &TConfigDialogWindow::FoldersWndProc, kFoldersSubclassId);
    SetWindowLongPtrW(FWindow.Get(), DWLP_USER, 0);
  }
}

INT_PTR CALLBACK TConfigDialogWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<TConfigDialogWindow*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->FWindow.Reset(window);
    return self->Dispatch(message, wParam, lParam);
  }
  auto* self = reinterpret_cast<TConfigDialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self ? self->Dispatch(message, wParam, lParam) : FALSE;
}

template <typename THandler>
void TConfigDialogWindow::Handle(THandler handler) {
  if (!FDialog) return;
  FApplication.Guard([&] { handler(*FDialog); });
}

INT_PTR TConfigDialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const HWND tabs = Item(IDC_PAGECONTROL1);
      const wchar_t* pages[] = {L"スライドショーの設定", L"アプリケーション設定の保存先"};
      for (int i = 0; i < 2; ++i) {
        TCITEMW tab = {};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<wchar_t*>(pages[i]);
        SendMessageW(tabs, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&tab));
      }
      // The pages' controls lie on the tab control, so it goes beneath them.
      SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      const HWND upDown = Item(IDC_UPDINTERVAL);
      SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(IDC_EDIT1)), 0);
      SendMessageW(upDown, UDM_SETRANGE32, kIntervalMin, kIntervalMax);
      SendMessageW(upDown, UDM_SETPOS32, 0, kIntervalMin);
      // Held arrows step by one second all the way: without a table of its
      // own the control speeds up to steps of 5 and then 20.
      UDACCEL oneByOne = {0, 1};
      SendMessageW(upDown, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&oneByOne));
      SetWindowSubclass(Item(IDC_LSTFOLDERS), &TConfigDialogWindow::FoldersWndProc, kFoldersSubclassId,
                        reinterpret_cast<DWORD_PTR>(this));
      // Only the list box takes dropped files, not the rest of the dialog.
      DragAcceptFiles(Item(IDC_LSTFOLDERS), TRUE);
      Layout();
      UsePageColour();
      ShowPage(0);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (!FPageBrush || !OnPage(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))) break;
      SetBkColor(reinterpret_cast<HDC>(wParam), FPageColour);
      return reinterpret_cast<INT_PTR>(FPageBrush.Get());
    case WM_ERASEBKGND: {
      // Group boxes leave their inside to the dialog beneath them: the part
      // the tab control's page covers is painted in the page's colour.
      if (!FPageBrush) break;
      const HDC dc = reinterpret_cast<HDC>(wParam);
      RECT client;
      GetClientRect(FWindow.Get(), &client);
      FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
      const HWND tabs = Item(IDC_PAGECONTROL1);
      RECT page = PageRect(tabs);
      MapWindowPoints(tabs, FWindow.Get(), reinterpret_cast<POINT*>(&page), 2);
      FillRect(dc, &page, FPageBrush.Get());
      SetWindowLongPtrW(FWindow.Get(), DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
      UsePageColour();
      InvalidateRect(FWindow.Get(), nullptr, TRUE);
      break;
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      switch (id) {
        case IDOK: EndModal(kModalResultOk); return TRUE;
        case IDCANCEL: EndModal(kModalResultCancel); return TRUE;
        case IDC_BTNADD:
          if (code == BN_CLICKED) Handle([](TConfigDialog& dialog) { dialog.btnAddClick(); });
          return TRUE;
        case IDC_BTNDELETE:
          if (code == BN_CLICKED) Handle([](TConfigDialog& dialog) { dialog.btnDeleteClick(); });
          return TRUE;
        case IDC_BTNOPEN:
          if (code == BN_CLICKED) Handle([](TConfigDialog& dialog) { dialog.btnOpenClick(); });
          return TRUE;
        case IDC_LSTFOLDERS:
          if (code == LBN_DBLCLK) Handle([](TConfigDialog& dialog) { dialog.lstFoldersDblClick(); });
          return TRUE;
        case IDC_EDIT1:
          if (code == EN_CHANGE) {
            const std::string text = WindowText(Item(IDC_EDIT1));
            Handle([&text](TConfigDialog& dialog) { dialog.Edit1Change(text); });
          }
          return TRUE;
        default: break;
      }
      break;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_PAGECONTROL1 && header->code == TCN_SELCHANGE) {
        ShowPage(int(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
        return TRUE;
      }
      break;
    }
    case WM_CLOSE: EndModal(kModalResultCancel); return TRUE;
    default: break;
  }
  return FALSE;
}

void TConfigDialogWindow::EndModal(int32_t result) {
  FModalResult = result;
  // A sent message does not end the wait for a posted one: wake the loop.
  PostMessageW(FWindow.Get(), WM_NULL, 0, 0);
}

void TConfigDialogWindow::Layout() {
  const HWND window = FWindow.Get();
  int dpi = 96;
  {
    TWindowFontDC dc(window);
    if (dc.Get()) dpi = GetDeviceCaps(dc.Get(), LOGPIXELSY);
  }
  auto px = [dpi](int value) { return MulDiv(value, dpi, 96); };

  // The client area, centred on the screen.
  RECT frame = {0, 0, px(504), px(360)};
  AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                     DWORD(GetWindowLongPtrW(window, GWL_EXSTYLE)));
  const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - frameWidth) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - frameHeight) / 2, frameWidth, frameHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);

  const HWND tabs = Item(IDC_PAGECONTROL1);
  MoveWindow(tabs, px(8), px(8), px(489), px(313), FALSE);
  RECT sheet = {0, 0, px(489), px(313)};
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&sheet));
  const int sheetLeft = px(8) + sheet.left, sheetTop = px(8) + sheet.top;

  // Positions in design pixels, relative to their parents as designed.
  TPlace groupBox2{8, 8, 465, 57}, groupBox1{8, 72, 465, 209};
  struct TControl {
    int Id;
    int OriginX, OriginY;  // the parent's position in the client area, in pixels
    TPlace Place;
  };
  const int g2x = sheetLeft + px(groupBox2.Left), g2y = sheetTop + px(groupBox2.Top);
  const int g1x = sheetLeft + px(groupBox1.Left), g1y = sheetTop + px(groupBox1.Top);
  std::vector<TControl> controls = {
      {IDOK, 0, 0, {296, 328, 97, 25}},
      {IDCANCEL, 0, 0, {400, 328, 97, 25}},
      {IDC_GROUPBOX2, sheetLeft, sheetTop, groupBox2},
      {IDC_LABEL2, g2x, g2y, {16, 24, 109, 20}},
      {IDC_EDIT1, g2x, g2y, {136, 24, 65, 20}},
      {IDC_UPDINTERVAL, g2x, g2y, {201, 24, 17, 20}},
      {IDC_LABEL3, g2x, g2y, {232, 24, 109, 20}},
      {IDC_GROUPBOX1, sheetLeft, sheetTop, groupBox1},
      {IDC_LABEL1, g1x, g1y, {16, 24, 433, 33}},
      {IDC_BTNADD, g1x, g1y, {288, 56, 161, 25}},
      {IDC_LSTFOLDERS, g1x, g1y, {16, 88, 433, 73}},
      {IDC_BTNOPEN, g1x, g1y, {16, 168, 129, 25}},
      {IDC_BTNDELETE, g1x, g1y, {353, 168, 96, 25}},
      {IDC_RDOINI, sheetLeft, sheetTop, {16, 16, 105, 17}},
      {IDC_LABEL4, sheetLeft, sheetTop, {32, 40, 441, 31}},
      {IDC_RDOREGISTRY, sheetLeft, sheetTop, {16, 88, 121, 17}},
      {IDC_LABEL5, sheetLeft, sheetTop, {32, 112, 441, 57}},
  };
  std::vector<RECT> rects;
  for (const TControl& control : controls) {
    const int left = control.OriginX + px(control.Place.Left), top = control.OriginY + px(control.Place.Top);
    rects.push_back(RECT{left, top, left + px(control.Place.Width), top + px(control.Place.Height)});
  }
  auto rectOf = [&](int id) -> RECT& {
    for (size_t i = 0; i < controls.size(); ++i)
      if (controls[i].Id == id) return rects[i];
    return rects[0];
  };

  // Room for texts that the dialog font makes longer than designed, so that
  // nothing is cut off at any resolution or with any font.
  const int gap = px(4);
  {
    RECT& label = rectOf(IDC_LABEL2);
    const int need = int(TextSize(Item(IDC_LABEL2), 0, false).cx) + gap;
    const int shift = std::max(0, need - int(label.right - label.left));
    label.right += shift;
    for (int id : {IDC_EDIT1, IDC_UPDINTERVAL, IDC_LABEL3}) OffsetRect(&rectOf(id), shift, 0);
  }
  for (int id : {IDC_RDOINI, IDC_RDOREGISTRY}) {
    RECT& radio = rectOf(id);
    const int need = int(TextSize(Item(id), 0, false).cx) + GetSystemMetrics(SM_CXMENUCHECK) + 2 * gap;
    radio.right = std::max(radio.right, radio.left + need);
  }
  for (int id : {IDOK, IDCANCEL, IDC_BTNADD, IDC_BTNOPEN, IDC_BTNDELETE}) {
    RECT& button = rectOf(id);
    const int need = int(TextSize(Item(id), 0, false).cx) + 4 * gap;
    // Buttons on the right grow leftwards, the others rightwards.
    if (button.right - button.left < need) {
      if (id == IDC_BTNOPEN)
        button.right = button.left + need;
      else
        button.left = button.right - need;
    }
  }
  {
    RECT& label = rectOf(IDC_LABEL1);
    const int overflow =
        TextSize(Item(IDC_LABEL1), label.right - label.left, true).cy - (label.bottom - label.top);
    if (overflow > 0) {
      label.bottom += overflow;
      OffsetRect(&rectOf(IDC_BTNADD), 0, overflow);
      // The list gives up the room, keeping at least three lines.
      RECT& list = rectOf(IDC_LSTFOLDERS);
      list.top += overflow;
      list.bottom = std::max(list.bottom, list.top + px(40));
    }
  }
  {
    RECT& label4 = rectOf(IDC_LABEL4);
    label4.bottom =
        std::max(label4.bottom, label4.top + TextSize(Item(IDC_LABEL4), label4.right - label4.left, true).cy);
    const int below = label4.bottom + gap - rectOf(IDC_RDOREGISTRY).top;
    if (below > 0)
      for (int id : {IDC_RDOREGISTRY, IDC_LABEL5}) OffsetRect(&rectOf(id), 0, below);
    RECT& label5 = rectOf(IDC_LABEL5);
    label5.bottom =
        std::max(label5.bottom, label5.top + TextSize(Item(IDC_LABEL5), label5.right - label5.left, true).cy);
  }
  for (size_t i = 0; i < controls.size(); ++i)
    MoveWindow(Item(controls[i].Id), rects[i].left, rects[i].top, rects[i].right - rects[i].left,
               rects[i].bottom - rects[i].top, FALSE);
  // The designed 12 pixels, or the font's whole line where that is taller.
  int lineHeight = 0;
  {
    const HWND list = Item(IDC_LSTFOLDERS);
    TWindowFontDC dc(list);
    TEXTMETRICW metrics = {};
    if (dc.Get() && GetTextMetricsW(dc.Get(), &metrics)) lineHeight = int(metrics.tmHeight);
  }
  SendMessageW(Item(IDC_LSTFOLDERS), LB_SETITEMHEIGHT, 0, std::max(px(12), lineHeight));
}

void TConfigDialogWindow::UsePageColour() {
  FPageColour = PageColour(Item(IDC_PAGECONTROL1));
  FPageBrush.Reset(CreateSolidBrush(FPageColour));
}

void TConfigDialogWindow::ShowPage(int page) {
  for (int id : {IDC_GROUPBOX2, IDC_LABEL2, IDC_EDIT1, IDC_UPDINTERVAL, IDC_LABEL3, IDC_GROUPBOX1, IDC_LABEL1,
                 IDC_BTNADD, IDC_LSTFOLDERS, IDC_BTNOPEN, IDC_BTNDELETE})
    ShowWindow(Item(id), page == 0 ? SW_SHOW : SW_HIDE);
  for (int id : {IDC_RDOINI, IDC_LABEL4, IDC_RDOREGISTRY, IDC_LABEL5})
    ShowWindow(Item(id), page == 1 ? SW_SHOW : SW_HIDE);
  SendMessageW(Item(IDC_PAGECONTROL1), TCM_SETCURSEL, WPARAM(page), 0);
}

LRESULT CALLBACK TConfigDialogWindow::FoldersWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                     UINT_PTR, DWORD_PTR data) {
  if (message != WM_DROPFILES) return DefSubclassProc(window, message, wParam, lParam);
  auto* self = reinterpret_cast<TConfigDialogWindow*>(data);
  const HDROP drop = reinterpret_cast<HDROP>(wParam);
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Sized by the path itself: a long path is taken whole, never cut.
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::vector<wchar_t> buffer(size_t(length) + 1, L'\0');
    DragQueryFileW(drop, i, buffer.data(), UINT(buffer.size()));
    paths.push_back(Utf8Of(buffer.data()));
  }
  DragFinish(drop);
  self->Handle([&paths](TConfigDialog& dialog) { dialog.FilesDropped(paths); });
  return 0;
}

// --- TConfigDialogUi ----------------------------------------------------------------

void TConfigDialogWindow::SetCaption(const std::string& caption) {
  SetWindowTextW(FWindow.Get(), WideOf(caption).c_str());
}

void TConfigDialogWindow::ShowInterval(int32_t position, const std::string& text) {
  SendMessageW(Item(IDC_UPDINTERVAL), UDM_SETPOS32, 0, position);
  if (WindowText(Item(IDC_EDIT1)) != text) SetWindowTextW(Item(IDC_EDIT1), WideOf(text).c_str());
}

std::string TConfigDialogWindow::ThousandsSeparator() {
  wchar_t separator[8] = {};
  if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8)) return ",";
  return Utf8Of(separator);
}

bool TConfigDialogWindow::IniChecked() {
  return SendMessageW(Item(IDC_RDOINI), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TConfigDialogWindow::SetIniChecked(bool checked) {
  SendMessageW(Item(IDC_RDOINI), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (checked) SendMessageW(Item(IDC_RDOREGISTRY), BM_SETCHECK, BST_UNCHECKED, 0);
}

bool TConfigDialogWindow::RegistryChecked() {
  return SendMessageW(Item(IDC_RDOREGISTRY), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TConfigDialogWindow::SetRegistryChecked(bool checked) {
  SendMessageW(Item(IDC_RDOREGISTRY), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (checked) SendMessageW(Item(IDC_RDOINI), BM_SETCHECK, BST_UNCHECKED, 0);
}

int32_t TConfigDialogWindow::ShowModal() {
  const HWND window = FWindow.Get();
  FModalResult = 0;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(GetNextDlgTabItem(window, nullptr, FALSE));
  MSG message;
  while (FModalResult == 0) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) {
      // The application is ending: the loop that waits for WM_QUIT gets it.
      PostQuitMessage(int(message.wParam));
      FModalResult = kModalResultCancel;
      break;
    }
    if (result == -1) {
      FModalResult = kModalResultCancel;
      break;
    }
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  ShowWindow(window, SW_HIDE);
  if (FOwner && IsWindowVisible(FOwner)) SetActiveWindow(FOwner);
  return FModalResult;
}

bool TConfigDialogWindow::BrowseForFolder(const std::string& title, int rootCsidl, const TBrowseStart& start,
                                          uint32_t flags, std::string& path) {
  if (!start.Path.empty())
    return ::BrowseForFolder(FWindow.Get(), title, rootCsidl, WideOf(start.Path), flags, path);
  return ::BrowseForFolder(FWindow.Get(), title, rootCsidl, start.Csidl, flags, path);
}

void TConfigDialogWindow::ShellOpen(const std::string& path) {
  ShellExecuteW(FWindow.Get(), L"open", WideOf(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TConfigDialogWindow::MessageBox(const std::string& text, TMsgDlgType type) {
  TWinMessageBoxes(FWindow.Get()).Show(text, MessageBoxCaption(type, FApplication.Title), type);
}

// --- lstFolders ------------------------------------------------------------------------

void TConfigDialogWindow::Clear() {
  SendMessageW(Item(IDC_LSTFOLDERS), LB_RESETCONTENT, 0, 0);
  SendMessageW(Item(IDC_LSTFOLDERS), LB_SETHORIZONTALEXTENT, 0, 0);
}

int32_t TConfigDialogWindow::Add(const std::string& text) {
  const std::wstring wide = WideOf(text);
  const LRESULT index =
      SendMessageW(Item(IDC_LSTFOLDERS), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  if (index < 0) throw Exception("リストに追加できません");
  // Long paths can be scrolled to sideways.
  const HWND list = Item(IDC_LSTFOLDERS);
  TWindowFontDC dc(list);
  SIZE size = {};
  if (dc.Get() && GetTextExtentPoint32W(dc.Get(), wide.c_str(), int(wide.size()), &size)) {
    const LRESULT extent = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    if (size.cx + 8 > extent) SendMessageW(list, LB_SETHORIZONTALEXTENT, WPARAM(size.cx + 8), 0);
  }
  return int32_t(index);
}

int32_t TConfigDialogWindow::Count() {
  return int32_t(SendMessageW(Item(IDC_LSTFOLDERS), LB_GETCOUNT, 0, 0));
}

std::string TConfigDialogWindow::Items(int32_t index) {
  const HWND list = Item(IDC_LSTFOLDERS);
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, WPARAM(index), 0);
  if (length < 0) RaiseListIndexError(index);
  std::vector<wchar_t> buffer(size_t(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(buffer.data()));
  return Utf8Of(buffer.data());
}

int32_t TConfigDialogWindow::ItemIndex() {
  return int32_t(SendMessageW(Item(IDC_LSTFOLDERS), LB_GETCURSEL, 0, 0));
}

void TConfigDialogWindow::SetItemIndex(int32_t index) {
  SendMessageW(Item(IDC_LSTFOLDERS), LB_SETCURSEL, WPARAM(index), 0);
}

TConfigChanges ShowConfigDialog(HWND owner, const TApplication& application,
                                const TConfigDialogParams& params) {
  TConfigDialogWindow window(owner, application);
  return TConfigDialog::ShowConfigDialog(window, application.Title, params);
}
