#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/ZoCommon.h"
#include "common/ZoShell.h"
#include "framework/Forms_win.h"
#include "support/TestSupport.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace vemo_test;

std::string SystemFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return Utf8Of(std::wstring(folder) + L"\\" + name);
}

// The system's VerQueryValue and the portable reader agree on a real DLL.
TEST(ReadVersionInfoWin, TheSystemsReaderAndThePortableOneAgree) {
  const std::string shell32 = SystemFile(L"shell32.dll");
  TZoCVersionResourceRec system;
  ReadVersionInfo(shell32, system);
  EXPECT_FALSE(system.FileVersion.empty());
  EXPECT_FALSE(system.ProductName.empty());

  const std::wstring wide = WideOf(shell32);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(wide.c_str(), 0, size, block.data()));
  TZoCVersionResourceRec portable;
  ReadVersionInfoBlock(
      [&block](const std::string& path, TVersionValue& value) {
        return QueryVersionValue(block.data(), block.size(), path, value);
      },
      portable);
  for (size_t i = 0; i < kVersionKeyCount; ++i)
    EXPECT_EQ(VersionField(portable, i), VersionField(system, i)) << kVersionKeys[i];
}

TEST(ReadVersionInfoWin, AFileWithoutAVersionResourceLeavesTheRecord) {
  TZoCVersionResourceRec rec;
  rec.ProductName = "kept";
  ReadVersionInfo(TestDataPath("bmp/rgb24-v3.bmp"), rec);
  EXPECT_EQ(rec.ProductName, "kept");
}

TEST(ShowAboutBoxWin, ShowsTheTextUnderTheTitlesCaptionWithOneOkButton) {
  TWinMessageBoxes boxes;
  TApplication application(boxes);
  application.Title = "Kobaru";
  application.ExeName = SystemFile(L"shell32.dll");
  TZoCVersionResourceRec rec;
  ReadVersionInfo(application.ExeName, rec);
  std::string text;
  int buttons = 0;
  std::string okText;
  std::thread user([&] {
    const HWND box = WaitForWindow(L"Kobaruについて", L"#32770");
    if (!box) return;
    text = MessageBoxText(box);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[32] = {};
      GetClassNameW(child, name, 32);
      if (std::wstring(name) == L"Button" && IsWindowVisible(child)) ++buttons;
    }
    okText = TextOf(GetDlgItem(box, IDOK));
    SaveShot(SettledShot(box).get(), "about-system.bmp");
    SendMessageW(box, WM_COMMAND, IDOK, 0);
  });
  ShowAboutBox(application);
  user.join();
  EXPECT_EQ(text, rec.Comments + rec.ProductName + " version" + rec.ProductVersion + "\r" +
                      rec.LegalCopyright + "\r" + kHomePageUrl);
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(okText, "OK");
}

}  // namespace
