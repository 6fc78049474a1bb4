#include <windows.h>
// The shell header needs the Windows types first.
#include <shellapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ZoTrayIcon.h"

namespace {

// Records what Shell_NotifyIconW would have received and answers from a
// script, setting the thread's last error as the shell does.
struct TRecordingShell {
  struct TCall {
    uint32_t Message;
    NOTIFYICONDATAW Data;
  };
  std::vector<TCall> Calls;
  std::vector<std::pair<bool, DWORD>> Script;
  std::vector<uint32_t> Sleeps;

  std::unique_ptr<TNotificationArea> Area() {
    return NewShellNotificationArea(
        [this](uint32_t message, void* data) {
          Calls.push_back({message, *static_cast<NOTIFYICONDATAW*>(data)});
          if (Script.empty()) return true;
          const auto [success, error] = Script.front();
          Script.erase(Script.begin());
          SetLastError(error);
          return success;
        },
        [this](uint32_t ms) { Sleeps.push_back(ms); });
  }
};

const HWND kWindow = reinterpret_cast<HWND>(0x1234);
const HICON kIcon = reinterpret_cast<HICON>(0x5678);

TEST(ShellNotificationArea, TheAddReachesTheShellAsTheWideRecord) {
  TRecordingShell shell;
  auto area = shell.Area();
  TNotifyIconData record;
  ASSERT_EQ(AddTrayIcon(*area, THandleValue(kWindow), THandleValue(kIcon), "Kobaru 写真", record, 100), 0u);
  ASSERT_EQ(shell.Calls.size(), 2u);
  const NOTIFYICONDATAW& add = shell.Calls[0].Data;
  EXPECT_EQ(shell.Calls[0].Message, DWORD(NIM_ADD));
  EXPECT_EQ(add.cbSize, DWORD(NOTIFYICONDATAW_V2_SIZE));
  EXPECT_EQ(add.hWnd, kWindow);
  EXPECT_EQ(add.uID, 0u);
  EXPECT_EQ(add.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(add.uCallbackMessage, UINT(WM_USER + 100));
  EXPECT_EQ(add.hIcon, kIcon);
  EXPECT_EQ(std::wstring(add.szTip), L"Kobaru 写真");
  EXPECT_EQ(add.szInfo[0], L'\0');
  EXPECT_EQ(shell.Calls[1].Message, DWORD(NIM_SETVERSION));
  EXPECT_EQ(shell.Calls[1].Data.uVersion, UINT(NOTIFYICON_VERSION));
}

TEST(ShellNotificationArea, TheBalloonReachesTheShellWithItsFields) {
  TRecordingShell shell;
  auto area = shell.Area();
  ShowTrayBalloon(*area, THandleValue(kWindow), "Kobaru", "見付かりませんでした。", kNiifWarning);
  ASSERT_EQ(shell.Calls.size(), 1u);
  const NOTIFYICONDATAW& data = shell.Calls[0].Data;
  EXPECT_EQ(shell.Calls[0].Message, DWORD(NIM_MODIFY));
  EXPECT_EQ(data.uFlags, UINT(NIF_INFO));
  EXPECT_EQ(std::wstring(data.szInfo), L"見付かりませんでした。");
  EXPECT_EQ(std::wstring(data.szInfoTitle), L"Kobaru");
  EXPECT_EQ(data.uTimeout, 5u);
  EXPECT_EQ(data.dwInfoFlags, DWORD(NIIF_WARNING));
  EXPECT_EQ(data.hIcon, nullptr);
}

TEST(ShellNotificationArea, TheLastErrorOfTheShellDrivesTheRetry) {
  TRecordingShell shell;
  auto area = shell.Area();
  shell.Script = {{false, ERROR_TIMEOUT}, {true, 0}};
  TNotifyIconData record;
  EXPECT_EQ(AddTrayIcon(*area, THandleValue(kWindow), THandleValue(kIcon), "x", record, 100), 0u);
  EXPECT_EQ(shell.Sleeps, std::vector<uint32_t>{2000});
  ASSERT_EQ(shell.Calls.size(), 3u);
  EXPECT_EQ(shell.Calls[1].Message, DWORD(NIM_MODIFY));

  shell.Calls.clear();
  shell.Script = {{false, ERROR_ACCESS_DENIED}};
  EXPECT_EQ(AddTrayIcon(*area, THandleValue(kWindow), THandleValue(kIcon), "x", record, 100),
            uint32_t(ERROR_ACCESS_DENIED));
  EXPECT_EQ(shell.Calls.size(), 1u);
}

TEST(ShellNotificationArea, TheRealShellTakesAndRemovesAnIcon) {
  HWND window = CreateWindowExW(0, L"STATIC", L"tray test", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  auto area = NewShellNotificationArea();
  TNotifyIconData record;
  const HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  EXPECT_EQ(AddTrayIcon(*area, THandleValue(window), THandleValue(icon), "vemo test", record, 100), 0u);
  EXPECT_TRUE(ModifyTrayIcon(*area, THandleValue(window), THandleValue(icon)));
  SetTrayTip(*area, THandleValue(window), THandleValue(icon), "vemo test 2");
  DeleteTrayIcon(*area, record);
  // Gone: changing it fails now.
  EXPECT_FALSE(ModifyTrayIcon(*area, THandleValue(window), THandleValue(icon)));
  DestroyWindow(window);
}

}  // namespace
