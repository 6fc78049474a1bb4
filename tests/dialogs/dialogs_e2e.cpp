// End-to-end runs of vemo.exe's dialogs and menus under Wine on a (virtual) X
// display: the program is started beside prepared settings and pictures and
// driven the way a user would, through the icon's callback message, the
// menus' keys and the dialogs' controls; the results are read from the real
// windows, the INI file and the registry. Screenshots go to
// <build>/e2e-dialogs.
#include <windows.h>
// The common-controls header needs the Windows types first.
#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Unit1_win.h"
#include "dialogs/dlgImage_win.h"
#include "dialogs/dlgResource.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace vemo_test;
using vemo_test::TTempFolder;

const std::filesystem::path kBuildDir = vemo_test::PathFromUtf8(VEMO_BUILD_DIR);
const std::filesystem::path kDataDir = vemo_test::PathFromUtf8(VEMO_TEST_DATA_DIR);
// The copy's own name keeps its settings apart from a real vemo.exe's.
const wchar_t kExeName[] = L"vemo-dlg.exe";
const wchar_t kRegistryKey[] = L"Software\\Orvane\\vemo-dlg";
constexpr UINT kTrayMessage = WM_USER + 100;

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool RegistryString(const wchar_t* subkey, const wchar_t* name, std::wstring& value) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer);
  const std::wstring key = std::wstring(kRegistryKey) + L"\\" + subkey;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS)
    return false;
  value = buffer;
  return true;
}

bool RegistryNumber(const wchar_t* subkey, const wchar_t* name, DWORD& value) {
  DWORD size = sizeof(value);
  const std::wstring key = std::wstring(kRegistryKey) + L"\\" + subkey;
  return RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
         ERROR_SUCCESS;
}

void Shot(HWND window, const std::string& name) {
  const auto shot = SettledShot(window);
  if (!shot) return;
  const std::filesystem::path folder = kBuildDir / "e2e-dialogs";
  std::filesystem::create_directories(folder);
  SaveBitmapToFile(vemo_test::Utf8FromPath(folder / name), *shot);
}

// Wine's own notification area, where no desktop tray takes the icons.
HWND TrayWindow() {
  if (HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr)) return tray;
  if (HWND tray = FindWindowW(nullptr, L"Wine System Tray")) return tray;
  return FindWindowW(L"Shell_TrayWnd", nullptr);
}

// Presses a menu's keys: the open popup menu of the process gets them.
HWND OpenMenu(DWORD processId) { return WaitForWindow(nullptr, L"#32768", processId, 10s); }
void MenuKey(HWND menu, WPARAM key) { PostMessageW(menu, WM_KEYDOWN, key, 0); }
void MenuChar(HWND menu, wchar_t c) { PostMessageW(menu, WM_CHAR, c, 0); }

// A double click on the icon, sent from a thread of its own; done once the
// icon's handler has returned.
class TDoubleClick {
public:
  explicit TDoubleClick(HWND main)
      : FSender([this, main] {
          SendMessageW(main, kTrayMessage, 0, WM_LBUTTONDBLCLK);
          FDone = true;
        }) {}
  ~TDoubleClick() { FSender.join(); }
  TDoubleClick(const TDoubleClick&) = delete;
  TDoubleClick& operator=(const TDoubleClick&) = delete;
  bool Done() const { return FDone; }

private:
  std::atomic<bool> FDone{false};
  std::thread FSender;
};

class DialogsEndToEnd : public testing::Test {
protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
    std::filesystem::copy_file(kBuildDir / "vemo.exe", Temp.FsPath() / kExeName);
    Pictures = Temp.MakeFolder("pics");
    std::filesystem::copy_file(kDataDir / "jpeg" / "landscape-640x480.jpg", Pictures / "first.jpg");
    std::filesystem::copy_file(kDataDir / "jpeg" / "portrait-300x500.jpg", Pictures / "second.jpg");
    Extra = Temp.MakeFolder("extra");
    Ini = Temp.FsPath() / "vemo-dlg.ini";
    std::ofstream ini(Ini, std::ios::binary);
    ini << "[General]\r\nInterval=3\r\n[Folders]\r\nCount=2\r\n0=" << vemo_test::Utf8FromPath(Pictures)
        << "\r\n1=" << vemo_test::Utf8FromPath(Extra)
        << "\r\n[Hidden]\r\nCount=1\r\n0=C:\\Photos\\2019\\blurred.jpg\r\n";
  }
  void TearDown() override {
    if (Vemo && Main) PostMessageW(Main, WM_CLOSE, 0, 0);
    if (Vemo) Vemo->Wait(10000);
    Vemo.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
  }
  void Start() {
    Vemo = std::make_unique<TProcess>(Temp.FsPath() / kExeName, L"", Temp.FsPath());
    WaitUntil([&] { return (Main = TopWindowOf(Vemo->Id(), kMainWindowClass)) != nullptr; }, 20s);
    ASSERT_NE(Main, nullptr);
    // Start-up is over once the program waits for input.
    ASSERT_TRUE(Vemo->WaitIdle(20000));
  }
  void Tray(LPARAM event) { PostMessageW(Main, kTrayMessage, 0, event); }
  HWND Settings() { return WaitForWindow(L"Kobaruの設定", nullptr, Vemo->Id(), 10s); }

  TTempFolder Temp{"vemo-dlg-e2e"};
  std::filesystem::path Pictures, Extra, Ini;
  std::unique_ptr<TProcess> Vemo;
  HWND Main = nullptr;
};

TEST_F(DialogsEndToEnd, SettingsFromTheMenuMoveToTheRegistryWithTheNewIntervalAndFolders) {
  Start();
  Tray(WM_RBUTTONUP);
  const HWND menu = OpenMenu(Vemo->Id());
  ASSERT_NE(menu, nullptr) << "no right-click menu";
  Shot(menu, "menu-main.bmp");
  MenuChar(menu, L'c');
  const HWND dialog = Settings();
  ASSERT_NE(dialog, nullptr) << "Settings did not open the dialog";
  Shot(dialog, "settings-slideshow.bmp");
  // The Pictures page and back, by the arrow keys.
  for (const WPARAM key : {VK_RIGHT, VK_RIGHT})
    PostMessageW(GetDlgItem(dialog, IDC_PAGECONTROL1), WM_KEYDOWN, key, 0);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(dialog, IDC_LSTHIDDEN)) != FALSE; }, 5s));
  Shot(dialog, "settings-pictures.bmp");
  for (const WPARAM key : {VK_LEFT, VK_LEFT})
    PostMessageW(GetDlgItem(dialog, IDC_PAGECONTROL1), WM_KEYDOWN, key, 0);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(dialog, IDC_EDIT1)) != FALSE; }, 5s));

  SendMessageW(GetDlgItem(dialog, IDC_EDIT1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"60"));
  // Delete "extra" (sorted after "pics"? "extra" < "pics": position 0).
  const HWND list = GetDlgItem(dialog, IDC_LSTFOLDERS);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  SendMessageW(GetDlgItem(dialog, IDC_BTNDELETE), BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
  // The folder browser opens from Add; cancelled, it adds nothing. (Its OK
  // would add the documents folder, which under Wine is the whole home
  // folder: too large a scan for a test.)
  SendMessageW(list, LB_SETCURSEL, WPARAM(-1), 0);
  PostMessageW(GetDlgItem(dialog, IDC_BTNADD), BM_CLICK, 0, 0);
  HWND browser = nullptr;
  WaitUntil([&] {
    browser = FindVisibleWindow(nullptr, L"#32770", Vemo->Id());
    return browser && browser != dialog;
  });
  ASSERT_TRUE(browser && browser != dialog) << "no folder browser";
  Shot(browser, "folder-browser.bmp");
  SendMessageW(browser, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); })) << "the browser stayed";
  ASSERT_TRUE(RoundTrip(dialog));
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
  // The second page: a click on its tab.
  const HWND tabs = GetDlgItem(dialog, IDC_PAGECONTROL1);
  RECT tabsRect;
  GetClientRect(tabs, &tabsRect);
  PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(tabsRect.right * 2 / 3 - 100, 10));
  PostMessageW(tabs, WM_LBUTTONUP, 0, MAKELPARAM(tabsRect.right * 2 / 3 - 100, 10));
  WaitUntil([&] { return IsWindowVisible(GetDlgItem(dialog, IDC_RDOREGISTRY)) != FALSE; }, 5s);
  Shot(dialog, "settings-storage.bmp");
  // A click on a radio button takes the focus first, which only the active
  // window can give.
  SetForegroundWindow(dialog);
  // The activation arrives on the program's own thread.
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }, 5s));
  ASSERT_TRUE(RoundTrip(dialog));
  SendMessageW(GetDlgItem(dialog, IDC_RDOREGISTRY), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil(
      [&] { return SendMessageW(GetDlgItem(dialog, IDC_RDOREGISTRY), BM_GETCHECK, 0, 0) == BST_CHECKED; }));
  EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_RDOINI), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);

  const bool moved = WaitUntil([&] { return !std::filesystem::exists(Ini); }, 10s);
  if (!moved) {
    // Whatever the program says instead.
    const HWND box = FindVisibleWindow(nullptr, L"#32770", Vemo->Id());
    DWORD interval = 0;
    ADD_FAILURE() << "the INI file stayed; "
                  << (box ? TextOf(box) + ": " + MessageBoxText(box) : std::string("no message box"))
                  << "; dialog " << (IsWindowVisible(dialog) ? "still shown" : "gone")
                  << "; settings windows open: "
                  << (FindVisibleWindow(L"Kobaruの設定", nullptr, Vemo->Id()) ? "yes" : "no") << "; registry "
                  << (RegistryNumber(L"General", L"Interval", interval) ? "written" : "empty") << "; INI:\n"
                  << ReadText(Ini);
    return;
  }
  DWORD interval = 0, count = 0;
  std::wstring first;
  ASSERT_TRUE(WaitUntil([&] { return RegistryNumber(L"General", L"Interval", interval); }, 5s));
  EXPECT_EQ(interval, 60u);
  ASSERT_TRUE(RegistryNumber(L"Folders", L"Count", count));
  EXPECT_EQ(count, 1u);
  ASSERT_TRUE(RegistryString(L"Folders", L"0", first));
  EXPECT_EQ(first, Pictures.wstring());
}

TEST_F(DialogsEndToEnd, ABalloonClickOpensTheSettingsAndCancelWritesNothing) {
  const std::string before = ReadText(Ini);
  Start();
  Tray(WM_USER + 5);  // NIN_BALLOONUSERCLICK
  const HWND dialog = Settings();
  ASSERT_NE(dialog, nullptr) << "a balloon click did not open the settings";
  SendMessageW(GetDlgItem(dialog, IDC_EDIT1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"99"));
  SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  // Once the dialog is gone, the command that opened it has ended.
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5s));
  ASSERT_TRUE(RoundTrip(Main));
  EXPECT_EQ(ReadText(Ini), before);
  DWORD ignored = 0;
  EXPECT_FALSE(RegistryNumber(L"General", L"Interval", ignored));
}

TEST_F(DialogsEndToEnd, PreviewsOfTheCurrentPictureAndOfAHistoryEntryOneAtATime) {
  Start();
  PostMessageW(Main, WM_COMMAND, cmdPlay, 0);
  // The current picture's preview, asked for every step until there is a
  // current picture (after the first one-second fade) other than except. The
  // show stands still while the icon's handler runs, so asking too often
  // would keep the next picture away.
  // The preview runs inside the icon's handler: a double click sent from a
  // thread of its own tells by its return that the handler has ended.
  std::unique_ptr<TDoubleClick> click;
  auto askPreview = [&] {
    click = std::make_unique<TDoubleClick>(Main);
    HWND found = nullptr;
    WaitUntil([&] {
      return (found = FindVisibleWindow(nullptr, kPreviewWindowClass, Vemo->Id())) != nullptr ||
             click->Done();
    });
    return found;
  };
  auto closePreview = [&](HWND preview) {
    PostMessageW(preview, WM_CLOSE, 0, 0);
    click.reset();
  };
  auto previewOfCurrent = [&](const std::string& except, std::chrono::milliseconds step) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
          found = askPreview();
          if (!found || TextOf(found) != except) return found != nullptr;
          // Closed at once: an open preview holds the show.
          closePreview(found);
          return false;
        },
        15s, step);
    return found;
  };
  HWND preview = previewOfCurrent("", 100ms);
  ASSERT_NE(preview, nullptr) << "no preview of the current picture";
  const std::string first = TextOf(preview);
  EXPECT_TRUE(first == "first.jpg" || first == "second.jpg") << first;
  RECT client;
  GetClientRect(preview, &client);
  EXPECT_EQ(client.right, 256);
  EXPECT_EQ(client.bottom, 256);
  Shot(preview, "preview.bmp");
  // A second request while it is open only brings it forward.
  ASSERT_TRUE(WaitUntil([&] {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(preview, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored) != 0;
  }));
  PostMessageW(Main, kTrayMessage, 0, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(RoundTrip(preview));
  int previews = 0;
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kPreviewWindowClass, nullptr)) != nullptr;)
    if (IsWindowVisible(w)) ++previews;
  EXPECT_EQ(previews, 1);
  EXPECT_EQ(TextOf(preview), first);
  closePreview(preview);

  // Once the second picture is current, the show stops: the history holds
  // the second picture, a separator, then the first. The change begins when
  // the icon's picture starts to fade.
  const HWND tray = TrayWindow();
  ASSERT_NE(tray, nullptr);
  const auto before = SettledShot(tray);
  ASSERT_NE(before, nullptr);
  EXPECT_TRUE(WaitUntil(
      [&] {
        const auto now = WindowShot(tray);
        return now && !SamePixels(*now, *before);
      },
      15s, 50ms))
      << "the icon never changed";
  preview = previewOfCurrent(first, 300ms);
  ASSERT_NE(preview, nullptr) << "the second picture never became current";
  PostMessageW(Main, WM_COMMAND, cmdStop, 0);
  closePreview(preview);
  Tray(WM_LBUTTONDOWN);
  const HWND menu = OpenMenu(Vemo->Id());
  ASSERT_NE(menu, nullptr) << "no history menu";
  Shot(menu, "menu-history.bmp");
  MenuKey(menu, VK_DOWN);
  MenuKey(menu, VK_DOWN);
  MenuKey(menu, VK_RETURN);
  preview = WaitForWindow(nullptr, kPreviewWindowClass, Vemo->Id(), 10s);
  ASSERT_NE(preview, nullptr) << "choosing a history entry opened no preview";
  EXPECT_EQ(TextOf(preview), first) << "the second entry is the picture shown first";
  Shot(preview, "preview-history.bmp");
  PostMessageW(preview, WM_CLOSE, 0, 0);
}

TEST_F(DialogsEndToEnd, TheAboutBoxShowsTheProgramsVersion) {
  Start();
  Tray(WM_RBUTTONUP);
  const HWND menu = OpenMenu(Vemo->Id());
  ASSERT_NE(menu, nullptr);
  MenuChar(menu, L'a');
  const HWND box = WaitForWindow(L"Kobaruについて", L"#32770", Vemo->Id(), 10s);
  ASSERT_NE(box, nullptr) << "no About box";
  EXPECT_EQ(MessageBoxText(box), "Kobaru version1.11\rCopyright (C) Orvane\rhttps://www.orvane.example/");
  EXPECT_EQ(TextOf(GetDlgItem(box, IDOK)), "OK");
  Shot(box, "about.bmp");
  SendMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace
