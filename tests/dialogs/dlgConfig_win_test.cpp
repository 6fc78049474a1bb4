#include "dialogs/dlgConfig_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/dlgResource.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace vemo_test;
using testing::ElementsAre;

class TRecordingBoxes : public TMessageBoxes {
public:
  std::vector<std::string> Shown;
  void Show(const std::string& text, const std::string&, TMsgDlgType) override { Shown.push_back(text); }
};

std::vector<std::string> ItemsOf(const TFolderList& list) {
  std::vector<std::string> items;
  for (int32_t i = 0; i < list.Count(); ++i) items.push_back(list.Items(i));
  return items;
}

// An HDROP as the shell makes one, for WM_DROPFILES.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
  size_t chars = 1;
  for (const auto& path : paths) chars += path.size() + 1;
  const HGLOBAL memory =
      GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(header + 1);
  for (const auto& path : paths) {
    std::copy(path.begin(), path.end(), text);
    text += path.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// The name suffix of this process's screenshots.
std::string ShotSuffix() {
  wchar_t suffix[16] = {};
  GetEnvironmentVariableW(L"VEMO_SHOT_SUFFIX", suffix, 16);
  return Utf8Of(suffix);
}

// The screen resolution new processes start with (both places Wine and
// Windows read it from), restored when this goes.
class TDpiSetting {
public:
  explicit TDpiSetting(DWORD dpi) {
    for (size_t i = 0; i < 2; ++i) {
      DWORD size = sizeof(FOld[i]);
      FHad[i] = RegGetValueW(kRoots[i], kKeys[i], L"LogPixels", RRF_RT_REG_DWORD, nullptr, &FOld[i], &size) ==
                ERROR_SUCCESS;
      RegSetKeyValueW(kRoots[i], kKeys[i], L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
    }
  }
  ~TDpiSetting() {
    for (size_t i = 0; i < 2; ++i) {
      if (FHad[i])
        RegSetKeyValueW(kRoots[i], kKeys[i], L"LogPixels", REG_DWORD, &FOld[i], sizeof(FOld[i]));
      else
        RegDeleteKeyValueW(kRoots[i], kKeys[i], L"LogPixels");
    }
  }
  TDpiSetting(const TDpiSetting&) = delete;
  TDpiSetting& operator=(const TDpiSetting&) = delete;

private:
  const HKEY kRoots[2] = {HKEY_CURRENT_USER, HKEY_CURRENT_CONFIG};
  static constexpr const wchar_t* kKeys[2] = {L"Control Panel\\Desktop", L"Software\\Fonts"};
  DWORD FOld[2] = {};
  bool FHad[2] = {};
};

// The second page, as a click on its tab selects it.
void ShowSecondPage(HWND dialog) {
  const HWND tabs = GetDlgItem(dialog, IDC_PAGECONTROL1);
  SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
  NMHDR notice = {tabs, UINT_PTR(IDC_PAGECONTROL1), UINT(TCN_SELCHANGE)};
  SendMessageW(dialog, WM_NOTIFY, IDC_PAGECONTROL1, reinterpret_cast<LPARAM>(&notice));
}

// Whether the texts sit on the page's own colour, with no boxes of another
// colour round them: the screen behind each text's far corner against a free
// spot of the page (at the given dialog point).
bool TextsSitOnThePage(HWND dialog, POINT freeSpot, std::initializer_list<int> ids) {
  const auto shot = WindowShot(dialog);
  RECT window;
  if (!shot || !GetWindowRect(dialog, &window)) return false;
  ClientToScreen(dialog, &freeSpot);
  const TColor page = shot->PixelColor(freeSpot.x - window.left, freeSpot.y - window.top);
  for (int id : ids) {
    RECT text;
    GetWindowRect(GetDlgItem(dialog, id), &text);
    if (shot->PixelColor(text.right - 2 - window.left, text.bottom - 2 - window.top) != page) return false;
  }
  return true;
}

// Whether the control's text fits inside it with the control's own font.
bool TextFits(HWND control, bool wrap) {
  RECT client;
  GetClientRect(control, &client);
  const std::wstring text = WideOf(TextOf(control));
  const TWindowDC dc(control, true);
  RECT need = {0, 0, wrap ? client.right : 0, 0};
  DrawTextW(dc.Get(), text.c_str(), -1, &need, DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
  return need.right <= client.right && need.bottom <= client.bottom;
}

class ConfigDialogWindowTest : public testing::Test {
protected:
  void SetUp() override {
    App.Title = "Kobaru";
    A = vemo_test::Utf8FromPath(Temp.MakeFolder("A"));
    B = vemo_test::Utf8FromPath(Temp.MakeFolder("B"));
    Folders.Add(B);
    Folders.Add(A);
  }
  // Runs the dialog here while user, on another thread, works it.
  TConfigChanges Run(const std::function<void(HWND dialog)>& user) {
    std::thread driver([&] {
      const HWND dialog = WaitForWindow(L"Kobaruの設定");
      if (dialog) user(dialog);
      // Whatever happened, the dialog must end.
      if (IsWindow(dialog) && IsWindowVisible(dialog)) PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    TConfigDialogResult result;
    try {
      TConfigDialogParams params;
      params.Settings.Interval = Interval;
      params.Settings.Folders.Assign(Folders);
      params.Settings.Storage = Storage;
      result = ShowConfigDialog(nullptr, App, params);
    } catch (...) {
      driver.join();
      throw;
    }
    driver.join();
    Interval = result.Settings.Interval;
    Folders.Assign(result.Settings.Folders);
    Storage = result.Settings.Storage;
    return result.Changes;
  }

  TRecordingBoxes Boxes;
  TApplication App{Boxes};
  TTempFolder Temp{"vemo-dlg"};
  std::string A, B;
  uint16_t Interval = 15;
  TFolderList Folders;
  TStoragePlace Storage = spIniFile;
};

TEST_F(ConfigDialogWindowTest, ShowsEveryCaptionAndTheCallersValuesWithNothingCutOff) {
  std::vector<std::string> texts, list;
  std::string edit, caption;
  bool ini = false, registry = true, fits = true, onFirstPage = false, onSecondPage = false;
  RECT client = {};
  Run([&](HWND dialog) {
    caption = TextOf(dialog);
    GetClientRect(dialog, &client);
    for (int id :
         {IDOK, IDCANCEL, IDC_GROUPBOX2, IDC_LABEL2, IDC_LABEL3, IDC_GROUPBOX1, IDC_LABEL1, IDC_BTNADD,
          IDC_BTNOPEN, IDC_BTNDELETE, IDC_RDOINI, IDC_LABEL4, IDC_RDOREGISTRY, IDC_LABEL5})
      texts.push_back(TextOf(GetDlgItem(dialog, id)));
    for (int id :
         {IDC_LABEL2, IDC_LABEL3, IDC_BTNADD, IDC_BTNOPEN, IDC_BTNDELETE, IDC_RDOINI, IDC_RDOREGISTRY})
      fits = fits && TextFits(GetDlgItem(dialog, id), false);
    for (int id : {IDC_LABEL1, IDC_LABEL4, IDC_LABEL5}) fits = fits && TextFits(GetDlgItem(dialog, id), true);
    edit = TextOf(GetDlgItem(dialog, IDC_EDIT1));
    const HWND box = GetDlgItem(dialog, IDC_LSTFOLDERS);
    for (int i = 0; i < SendMessageW(box, LB_GETCOUNT, 0, 0); ++i) {
      wchar_t item[MAX_PATH] = {};
      SendMessageW(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
      list.push_back(Utf8Of(item));
    }
    ini = SendMessageW(GetDlgItem(dialog, IDC_RDOINI), BM_GETCHECK, 0, 0) == BST_CHECKED;
    registry = SendMessageW(GetDlgItem(dialog, IDC_RDOREGISTRY), BM_GETCHECK, 0, 0) == BST_CHECKED;
    SaveShot(PaintedShot(dialog).get(), "settings-slideshow" + ShotSuffix() + ".bmp");
    // Between the two group boxes.
    RECT upper, lower;
    GetWindowRect(GetDlgItem(dialog, IDC_GROUPBOX2), &upper);
    GetWindowRect(GetDlgItem(dialog, IDC_GROUPBOX1), &lower);
    POINT gap = {(upper.left + upper.right) / 2, (upper.bottom + lower.top) / 2};
    ScreenToClient(dialog, &gap);
    onFirstPage = TextsSitOnThePage(dialog, gap, {IDC_LABEL3, IDC_LABEL1});
    ShowSecondPage(dialog);
    SaveShot(PaintedShot(dialog).get(), "settings-storage" + ShotSuffix() + ".bmp");
    // Beneath the last text.
    RECT last;
    GetWindowRect(GetDlgItem(dialog, IDC_LABEL5), &last);
    POINT below = {last.left + 2, last.bottom + 20};
    ScreenToClient(dialog, &below);
    onSecondPage = TextsSitOnThePage(dialog, below, {IDC_LABEL4, IDC_LABEL5});
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(caption, "Kobaruの設定");
  EXPECT_THAT(
      texts,
      ElementsAre("OK", "キャンセル", "スライドショーの速さ", "各画像の表示間隔(&I):", "秒", "フォルダの指定",
                  "スライドショーに表示する画像を含むフォルダを指定して下さい。サブフォルダの画像も含まれま"
                  "す。スライドショーで表示できる画像は、BMPファイルとJPEGファイルです。",
                  "フォルダを追加(&A)...", "フォルダを開く(&O)", "削除(&D)", "&INIファイルを使う",
                  "マルチユーザー環境には対応しませんが、アンインストールが簡単です。シングルユーザー環境"
                  "ではこちらをお勧めします。",
                  "レジストリを使う(&R)",
                  "マルチユーザー環境ではこちらをお勧めします。設定はHKEY_CURRENT_USER\\Software\\Orvane\\"
                  "vemoに保存されます。アンインストールの時は必要に応じてこのキーを削除して下さい。"));
  EXPECT_TRUE(fits) << "a text does not fit its control";
  EXPECT_TRUE(onFirstPage) << "texts on the first page stand in boxes of another colour";
  EXPECT_TRUE(onSecondPage) << "texts on the second page stand in boxes of another colour";
  EXPECT_EQ(edit, "15");
  EXPECT_THAT(list, ElementsAre(A, B)) << "the list box sorts";
  EXPECT_TRUE(ini);
  EXPECT_FALSE(registry);
  // The designed 504 x 360 at the screen's resolution.
  const int dpi = GetDeviceCaps(TScreenDC().Get(), LOGPIXELSY);
  EXPECT_GE(client.right, MulDiv(504, dpi, 96));
  EXPECT_GE(client.bottom, MulDiv(360, dpi, 96));
}

// The same at 150 % (144 dots per inch), in a fresh process of this program:
// the resolution is read when a process starts.
TEST_F(ConfigDialogWindowTest, AtOneAndAHalfTimesTheResolutionNothingIsCutOffEither) {
  TDpiSetting dpi(144);
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring command =
      std::wstring(L"\"") + exe +
      L"\" --gtest_filter=ConfigDialogWindowTest.ShowsEveryCaptionAndTheCallersValuesWithNothingCutOff";
  SetEnvironmentVariableW(L"VEMO_SHOT_SUFFIX", L"-150");
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  const BOOL started =
      CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableW(L"VEMO_SHOT_SUFFIX", nullptr);
  ASSERT_TRUE(started);
  const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
  DWORD code = 99;
  if (!ended) TerminateProcess(process.hProcess, 98);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_TRUE(ended);
  EXPECT_EQ(code, 0u) << "the dialog's test failed at 150 %";
}

TEST_F(ConfigDialogWindowTest, EditingDropDeleteAndTheStorageComeBackOnOk) {
  const std::string C = vemo_test::Utf8FromPath(Temp.MakeFolder("C"));
  const std::string D = vemo_test::Utf8FromPath(Temp.MakeFolder("D"));
  std::string clamped, warning, afterTyping;
  const TConfigChanges changes = Run([&](HWND dialog) {
    const HWND edit = GetDlgItem(dialog, IDC_EDIT1);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"5000"));
    clamped = TextOf(edit);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"abc"));
    afterTyping = TextOf(edit);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"60"));
    // Three folders dropped, the second one registered already.
    PostMessageW(GetDlgItem(dialog, IDC_LSTFOLDERS), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({WideOf(C), WideOf(A), WideOf(D)})), 0);
    const HWND box = WaitForWindow(L"警告", L"#32770");
    warning = box ? MessageBoxText(box) : "";
    if (box) SendMessageW(box, WM_COMMAND, IDOK, 0);
    // Delete B (sorted position 1).
    const HWND list = GetDlgItem(dialog, IDC_LSTFOLDERS);
    WaitUntil([&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 4; });
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    SendMessageW(GetDlgItem(dialog, IDC_BTNDELETE), BM_CLICK, 0, 0);
    ShowSecondPage(dialog);
    SendMessageW(GetDlgItem(dialog, IDC_RDOREGISTRY), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(clamped, "3,600");
  EXPECT_EQ(afterTyping, "3,600") << "letters leave the position as it was";
  EXPECT_EQ(warning, "既に登録済みのため、登録できないフォルダがありました。");
  EXPECT_EQ(changes, ccInterval | ccFolders | ccStorage);
  EXPECT_EQ(Interval, 60);
  EXPECT_THAT(ItemsOf(Folders), ElementsAre(A, C, D));
  EXPECT_EQ(Storage, spRegistry);
}

TEST_F(ConfigDialogWindowTest, CancelAndTheCloseBoxWriteNothing) {
  EXPECT_EQ(Run([&](HWND dialog) {
              SendMessageW(GetDlgItem(dialog, IDC_EDIT1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"99"));
              ShowSecondPage(dialog);
              SendMessageW(GetDlgItem(dialog, IDC_RDOREGISTRY), BM_CLICK, 0, 0);
              SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
            }),
            0);
  EXPECT_EQ(Run([&](HWND dialog) {
              SendMessageW(GetDlgItem(dialog, IDC_EDIT1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"99"));
              PostMessageW(dialog, WM_CLOSE, 0, 0);
            }),
            0);
  EXPECT_EQ(Interval, 15);
  EXPECT_EQ(Storage, spIniFile);
  EXPECT_EQ(Folders.Count(), 2);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(ConfigDialogWindowTest, TheUpDownArrowKeysStepTheInterval) {
  std::string after;
  LRESULT accelCount = 0;
  UDACCEL accel[4] = {};
  const TConfigChanges changes = Run([&](HWND dialog) {
    const HWND upDown = GetDlgItem(dialog, IDC_UPDINTERVAL);
    accelCount = SendMessageW(upDown, UDM_GETACCEL, 4, reinterpret_cast<LPARAM>(accel));
    // The control moved by its arrows writes its new position into the edit.
    SendMessageW(upDown, UDM_SETPOS32, 0, 16);
    after = TextOf(GetDlgItem(dialog, IDC_EDIT1));
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(after, "16");
  // One step of one however long an arrow is held.
  EXPECT_EQ(accelCount, 1);
  EXPECT_EQ(accel[0].nSec, 0u);
  EXPECT_EQ(accel[0].nInc, 1u);
  EXPECT_EQ(changes, ccInterval);
  EXPECT_EQ(Interval, 16);
}

}  // namespace
