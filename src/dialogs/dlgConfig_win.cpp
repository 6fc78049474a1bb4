#include "dialogs/dlgConfig_win.h"

// The common-controls and shell headers need the Windows types first.
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "common/DarkMode_win.h"
#include "common/ZoShell_win.h"
#include "dialogs/dlgResource.h"
#include "framework/Resources_win.h"
#include "picture/OtherFormats.h"

namespace {

constexpr UINT_PTR kFoldersSubclassId = 1;

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(size_t(std::max(length, 0)) + 1, L'\0');
  GetWindowTextW(window, buffer.data(), int(buffer.size()));
  return Utf8Of(buffer.data());
}

// The size a control's text needs: on one line, or wrapped at width.
SIZE TextSize(HWND control, int width, bool wrap) {
  TWindowDC dc(control, true);
  std::vector<wchar_t> text(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
  GetWindowTextW(control, text.data(), int(text.size()));
  RECT rect = {0, 0, wrap ? width : 0, 0};
  DrawTextW(dc.Get(), text.data(), -1, &rect, DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// The height of a line of the control's font.
int FontLineHeight(HWND control) {
  TWindowDC dc(control, true);
  TEXTMETRICW metrics = {};
  return dc.Get() && GetTextMetricsW(dc.Get(), &metrics) ? int(metrics.tmHeight) : 0;
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

bool OnPage(int id) { return id >= IDC_GROUPBOX2 && id <= IDC_BTNSHOWAGAIN; }

// Appends a line to a list box; long paths can be scrolled to sideways.
LRESULT AddListLine(HWND list, const std::string& text) {
  const std::wstring wide = WideOf(text);
  const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  if (index < 0) throw Exception(IDS_LIST_ADD_FAILED);
  TWindowDC dc(list, true);
  SIZE size = {};
  if (dc.Get() && GetTextExtentPoint32W(dc.Get(), wide.c_str(), int(wide.size()), &size)) {
    const LRESULT extent = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    if (size.cx + 8 > extent) SendMessageW(list, LB_SETHORIZONTALEXTENT, WPARAM(size.cx + 8), 0);
  }
  return index;
}

// The controls of a dialog where its template put them, in the dialog's
// client coordinates; moved only where a text needs more room.
class TPlacement {
public:
  explicit TPlacement(HWND dialog) : FDialog(dialog) {}
  ~TPlacement() {
    for (const auto& [id, rect] : FMoved)
      SetWindowPos(GetDlgItem(FDialog, id), nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  TPlacement(const TPlacement&) = delete;
  TPlacement& operator=(const TPlacement&) = delete;

  // The control's rectangle, to be changed in place.
  RECT& operator[](int id) {
    if (auto found = FMoved.find(id); found != FMoved.end()) return found->second;
    RECT rect = {};
    const HWND control = GetDlgItem(FDialog, id);
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, FDialog, reinterpret_cast<POINT*>(&rect), 2);
    return FMoved.emplace(id, rect).first->second;
  }
  // Dialog units across, in pixels.
  int Across(int units) const {
    RECT rect = {0, 0, units, 0};
    MapDialogRect(FDialog, &rect);
    return rect.right;
  }

private:
  HWND FDialog;
  std::map<int, RECT> FMoved;
};

}  // namespace

TConfigDialogWindow::TConfigDialogWindow(HWND owner, const TApplication& application)
    : TWindowBase(application), FOwner(owner) {
  CreateFromTemplate(IDD_CONFIG, owner);
}

TConfigDialogWindow::~TConfigDialogWindow() {
  if (Alive())
    RemoveWindowSubclass(Item(IDC_LSTFOLDERS), &TConfigDialogWindow::FoldersWndProc, kFoldersSubclassId);
}

LRESULT TConfigDialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: DressInAppTheme(Window()); return InitDialog();
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return ControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ERASEBKGND: return EraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE: ColoursChanged(); return FALSE;
    case WM_COMMAND: return Command(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CLOSE: EndModal(kModalResultCancel); return TRUE;
    default: return FALSE;
  }
}

INT_PTR TConfigDialogWindow::InitDialog() {
  const HWND tabs = Item(IDC_PAGECONTROL1);
  const std::wstring pages[] = {WideOf(LoadText(IDS_PAGE_SLIDESHOW)), WideOf(LoadText(IDS_PAGE_STORAGE)),
                                WideOf(LoadText(IDS_PAGE_PICTURES))};
  for (int i = 0; i < 3; ++i) {
    TCITEMW tab = {};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(pages[i].c_str());
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
  // The formats this system can show are known only at run time.
  SetWindowTextW(Item(IDC_LABEL1), WideOf(FoldersNoteText()).c_str());
  for (const auto& [id, text] :
       {std::pair{IDC_CHKONLINEONLY, IDS_ONLINE_ONLY}, std::pair{IDC_LABEL6, IDS_HIDDEN_LABEL},
        std::pair{IDC_BTNSHOWAGAIN, IDS_SHOW_AGAIN}})
    SetWindowTextW(Item(id), WideOf(LoadText(text)).c_str());
  FitTexts();
  UsePageColour();
  ShowPage(0);
  return TRUE;
}

INT_PTR TConfigDialogWindow::ControlColour(HDC dc, HWND control) {
  if (!FPageBrush || !OnPage(GetDlgCtrlID(control))) return FALSE;
  SetBkColor(dc, FPageColour);
  return reinterpret_cast<INT_PTR>(FPageBrush.Get());
}

INT_PTR TConfigDialogWindow::EraseBackground(HDC dc) {
  // Group boxes leave their inside to the dialog beneath them: the part
  // the tab control's page covers is painted in the page's colour.
  if (!FPageBrush) return FALSE;
  RECT client;
  GetClientRect(Window(), &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  const HWND tabs = Item(IDC_PAGECONTROL1);
  RECT page = PageRect(tabs);
  MapWindowPoints(tabs, Window(), reinterpret_cast<POINT*>(&page), 2);
  FillRect(dc, &page, FPageBrush.Get());
  SetWindowLongPtrW(Window(), DWLP_MSGRESULT, TRUE);
  return TRUE;
}

void TConfigDialogWindow::ColoursChanged() {
  UsePageColour();
  InvalidateRect(Window(), nullptr, TRUE);
}

INT_PTR TConfigDialogWindow::Command(int id, int code) {
  switch (id) {
    case IDOK: EndModal(kModalResultOk); return TRUE;
    case IDCANCEL: EndModal(kModalResultCancel); return TRUE;
    case IDC_BTNADD:
      if (code == BN_CLICKED) Call(FDialog, &TConfigDialog::btnAddClick);
      return TRUE;
    case IDC_BTNDELETE:
      if (code == BN_CLICKED) Call(FDialog, &TConfigDialog::btnDeleteClick);
      return TRUE;
    case IDC_BTNOPEN:
      if (code == BN_CLICKED) Call(FDialog, &TConfigDialog::btnOpenClick);
      return TRUE;
    case IDC_BTNSHOWAGAIN:
      if (code == BN_CLICKED) Call(FDialog, &TConfigDialog::btnShowAgainClick);
      return TRUE;
    case IDC_LSTFOLDERS:
      if (code == LBN_DBLCLK) Call(FDialog, &TConfigDialog::lstFoldersDblClick);
      return TRUE;
    case IDC_EDIT1:
      if (code == EN_CHANGE) IntervalEdited();
      return TRUE;
    default: return FALSE;
  }
}

void TConfigDialogWindow::IntervalEdited() {
  const std::string text = WindowText(Item(IDC_EDIT1));
  Call(FDialog, [&text](TConfigDialog& dialog) { dialog.Edit1Change(text); });
}

INT_PTR TConfigDialogWindow::Notify(const NMHDR& header) {
  if (header.idFrom != IDC_PAGECONTROL1 || header.code != TCN_SELCHANGE) return FALSE;
  ShowPage(int(SendMessageW(header.hwndFrom, TCM_GETCURSEL, 0, 0)));
  return TRUE;
}

void TConfigDialogWindow::EndModal(int32_t result) {
  FModalResult = result;
  WakeModalLoop();
}

// The template places everything; a text that the dialog font makes longer
// than the template allows gets the room it needs, so nothing is cut off at
// any resolution or with any font.
void TConfigDialogWindow::FitTexts() {
  TPlacement place(Window());
  const int gap = place.Across(3);
  auto width = [](const RECT& rect) { return int(rect.right - rect.left); };
  {
    RECT& label = place[IDC_LABEL2];
    const int shift = std::max(0, int(TextSize(Item(IDC_LABEL2), 0, false).cx) + gap - width(label));
    label.right += shift;
    for (int id : {IDC_EDIT1, IDC_UPDINTERVAL, IDC_LABEL3}) OffsetRect(&place[id], shift, 0);
  }
  for (int id : {IDC_RDOINI, IDC_RDOREGISTRY}) {
    RECT& radio = place[id];
    const int need = int(TextSize(Item(id), 0, false).cx) + GetSystemMetrics(SM_CXMENUCHECK) + 2 * gap;
    radio.right = std::max(radio.right, radio.left + need);
  }
  for (int id : {IDOK, IDCANCEL, IDC_BTNADD, IDC_BTNOPEN, IDC_BTNDELETE, IDC_BTNSHOWAGAIN}) {
    RECT& button = place[id];
    const int need = int(TextSize(Item(id), 0, false).cx) + 4 * gap;
    // Buttons on the right grow leftwards, the others rightwards.
    if (width(button) >= need) continue;
    if (id == IDC_BTNOPEN)
      button.right = button.left + need;
    else
      button.left = button.right - need;
  }
  const int lineHeight = FontLineHeight(Item(IDC_LSTFOLDERS));
  {
    RECT& label = place[IDC_LABEL1];
    const int overflow = TextSize(Item(IDC_LABEL1), width(label), true).cy - (label.bottom - label.top);
    if (overflow > 0) {
      label.bottom += overflow;
      OffsetRect(&place[IDC_BTNADD], 0, overflow);
      // The list gives up the room, keeping at least three lines.
      RECT& list = place[IDC_LSTFOLDERS];
      list.top += overflow;
      list.bottom = std::max(list.bottom, list.top + 3 * lineHeight + 2 * GetSystemMetrics(SM_CYEDGE));
    }
  }
  for (int id : {IDC_LABEL4, IDC_LABEL5}) {
    RECT& label = place[id];
    label.bottom = std::max(label.bottom, label.top + TextSize(Item(id), width(label), true).cy);
    if (id != IDC_LABEL4) continue;
    const int below = label.bottom + gap - place[IDC_RDOREGISTRY].top;
    if (below > 0)
      for (int next : {IDC_RDOREGISTRY, IDC_LABEL5}) OffsetRect(&place[next], 0, below);
  }
  // The designed item height, or the font's whole line where that is taller.
  RECT designed = {0, 0, 0, 8};
  MapDialogRect(Window(), &designed);
  SendMessageW(Item(IDC_LSTFOLDERS), LB_SETITEMHEIGHT, 0, std::max(int(designed.bottom), lineHeight));
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
  for (int id : {IDC_CHKONLINEONLY, IDC_LABEL6, IDC_LSTHIDDEN, IDC_BTNSHOWAGAIN})
    ShowWindow(Item(id), page == 2 ? SW_SHOW : SW_HIDE);
  SendMessageW(Item(IDC_PAGECONTROL1), TCM_SETCURSEL, WPARAM(page), 0);
}

LRESULT CALLBACK TConfigDialogWindow::FoldersWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                     UINT_PTR, DWORD_PTR data) {
  if (message != WM_DROPFILES) return DefSubclassProc(window, message, wParam, lParam);
  auto* self = reinterpret_cast<TConfigDialogWindow*>(data);
  const std::vector<std::string> paths = TDroppedFiles(reinterpret_cast<HDROP>(wParam)).Paths();
  self->Call(self->FDialog, [&paths](TConfigDialog& dialog) { dialog.FilesDropped(paths); });
  return 0;
}

// --- TConfigDialogUi ----------------------------------------------------------------

void TConfigDialogWindow::SetCaption(const std::string& caption) {
  SetWindowTextW(Window(), WideOf(caption).c_str());
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

bool TConfigDialogWindow::OnlineOnlyChecked() {
  return SendMessageW(Item(IDC_CHKONLINEONLY), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TConfigDialogWindow::SetOnlineOnlyChecked(bool checked) {
  SendMessageW(Item(IDC_CHKONLINEONLY), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TConfigDialogWindow::ShowHidden(const std::vector<std::string>& paths) {
  const HWND list = Item(IDC_LSTHIDDEN);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  SendMessageW(list, LB_SETHORIZONTALEXTENT, 0, 0);
  for (const std::string& path : paths) AddListLine(list, path);
}

std::vector<int32_t> TConfigDialogWindow::SelectedHidden() {
  const HWND list = Item(IDC_LSTHIDDEN);
  const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  if (count <= 0) return {};
  std::vector<int> selected(size_t(count), 0);
  const LRESULT got =
      SendMessageW(list, LB_GETSELITEMS, WPARAM(count), reinterpret_cast<LPARAM>(selected.data()));
  return std::vector<int32_t>(selected.begin(), selected.begin() + std::max<LRESULT>(got, 0));
}

int32_t TConfigDialogWindow::ShowModal() {
  const HWND window = Window();
  FModalResult = 0;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(GetNextDlgTabItem(window, nullptr, FALSE));
  if (!RunModalLoop(window, [this] { return FModalResult != 0; })) FModalResult = kModalResultCancel;
  ShowWindow(window, SW_HIDE);
  if (FOwner && IsWindowVisible(FOwner)) SetActiveWindow(FOwner);
  return FModalResult;
}

bool TConfigDialogWindow::BrowseForFolder(const std::string& title, int rootCsidl, const TBrowseStart& start,
                                          uint32_t flags, std::string& path) {
  if (!start.Path.empty())
    return ::BrowseForFolder(Window(), title, rootCsidl, WideOf(start.Path), flags, path);
  return ::BrowseForFolder(Window(), title, rootCsidl, start.Csidl, flags, path);
}

void TConfigDialogWindow::ShellOpen(const std::string& path) {
  ShellExecuteW(Window(), L"open", WideOf(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TConfigDialogWindow::MessageBox(const std::string& text, TMsgDlgType type) {
  TWinMessageBoxes(Window()).Show(text, MessageBoxCaption(type, FApplication.Title), type);
}

// --- lstFolders ------------------------------------------------------------------------

void TConfigDialogWindow::Clear() {
  SendMessageW(Item(IDC_LSTFOLDERS), LB_RESETCONTENT, 0, 0);
  SendMessageW(Item(IDC_LSTFOLDERS), LB_SETHORIZONTALEXTENT, 0, 0);
}

int32_t TConfigDialogWindow::Add(const std::string& text) {
  return int32_t(AddListLine(Item(IDC_LSTFOLDERS), text));
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

TConfigDialogResult ShowConfigDialog(HWND owner, const TApplication& application,
                                     TConfigDialogParams params) {
  TConfigDialogWindow window(owner, application);
  return TConfigDialog::ShowConfigDialog(window, application.Title, params);
}
