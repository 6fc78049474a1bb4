#include "common/ZoShell_win.h"
#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/Forms_win.h"
#include "support/TempFolder.h"

namespace {

// COM for the shell's folder objects, as the program has it.
class ShellTest : public testing::Test {
protected:
  TComApartment Com;
};

TEST_F(ShellTest, Shell32IsVersionFiveOrLater) {
  const uint32_t version = GetShell32Version();
  EXPECT_GE(version, 0x00050000u);
  // MAKELONG(minor, major): the major version sits in the high word.
  EXPECT_LT(version >> 16, 100u);
}

TEST_F(ShellTest, DocumentsFolderExistsAndMatchesItsItemList) {
  const std::string documents = GetSpecialFolderPath(kCsidlPersonal);
  ASSERT_FALSE(documents.empty());
  EXPECT_TRUE(std::filesystem::is_directory(vemo_test::PathFromUtf8(documents))) << documents;
  const TItemIdList list = GetSpecialFolderLocation(kCsidlPersonal);
  ASSERT_TRUE(list);
  // The shell may end it with a delimiter; a chosen folder never has one.
  EXPECT_THAT(PathFromItemIDList(list.Get()), testing::AnyOf(documents, documents + "\\"));
  EXPECT_EQ(ChosenFolderPath(list.Get()), documents);
  const TItemIdList drive = PathToItemIDList(L"C:\\");
  EXPECT_EQ(ChosenFolderPath(drive.Get()), "C:\\");
}

TEST_F(ShellTest, DesktopRootHasAnItemList) {
  const TItemIdList desktop = GetSpecialFolderLocation(kCsidlDesktop);
  EXPECT_TRUE(desktop);
  EXPECT_EQ(PathFromItemIDList(nullptr), "");
}

TEST_F(ShellTest, PathsParseIntoItemListsAndBack) {
  vemo_test::TTempFolder temp("vemo-shell");
  const std::filesystem::path folder = temp.MakeFolder("写真 1");
  TItemIdList list = PathToItemIDList(folder.wstring());
  ASSERT_TRUE(list);
  EXPECT_EQ(PathFromItemIDList(list.Get()), vemo_test::Utf8FromPath(folder));
  TItemIdList moved(std::move(list));
  EXPECT_TRUE(moved);
  EXPECT_FALSE(list);
}

TEST_F(ShellTest, AMissingFolderRaisesTheParseError) {
  vemo_test::TTempFolder temp("vemo-shell");
  const std::filesystem::path missing = temp.FsPath() / "gone" / "deeper";
  try {
    PathToItemIDList(missing.wstring());
    FAIL() << "no error for a missing folder";
  } catch (const EOleError& error) {
    EXPECT_TRUE(FAILED(error.Code()));
    EXPECT_FALSE(std::string(error.what()).empty());
    EXPECT_EQ(error.what(), OleErrorText(error.Code()));
  }
}

TEST_F(ShellTest, UnknownResultsAreNamedByTheirNumber) {
  EXPECT_EQ(OleErrorText(HRESULT(0xA0BADF0Du)), "OLE エラー a0badf0d");
  EXPECT_NE(OleErrorText(E_OUTOFMEMORY).find_first_not_of(' '), std::string::npos);
  EXPECT_EQ(OleErrorText(E_OUTOFMEMORY).rfind("OLE エラー", 0), std::string::npos) << "the system has a text";
}

// A window that records the browser messages the callback sends it.
struct TBrowserMessages {
  std::vector<std::pair<UINT, std::wstring>> Received;
  LPARAM Selection = 0;
};
TBrowserMessages* gBrowserMessages = nullptr;

LRESULT CALLBACK RecordBrowserMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gBrowserMessages && message == BFFM_SETSTATUSTEXTW) {
    gBrowserMessages->Received.push_back({message, reinterpret_cast<const wchar_t*>(lParam)});
    return 0;
  }
  if (gBrowserMessages && message == BFFM_SETSELECTIONW) {
    EXPECT_EQ(wParam, WPARAM(FALSE)) << "the selection is an item list";
    gBrowserMessages->Received.push_back({message, L""});
    gBrowserMessages->Selection = lParam;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(ShellTest, TheBrowserCallbackPreselectsAndShowsTheFullPath) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = RecordBrowserMessages;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VemoBrowserRecorder";
  RegisterClassW(&windowClass);
  TWindowHandle window(CreateWindowExW(0, L"VemoBrowserRecorder", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(window);
  TBrowserMessages messages;
  gBrowserMessages = &messages;

  const TItemIdList documents = GetSpecialFolderLocation(kCsidlPersonal);
  EXPECT_EQ(BrowseCallback(window.Get(), BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(documents.Get())), 0);
  EXPECT_EQ(BrowseCallback(window.Get(), BFFM_SELCHANGED, reinterpret_cast<LPARAM>(documents.Get()), 0), 0);
  const TItemIdList desktop = GetSpecialFolderLocation(kCsidlDesktop);
  EXPECT_EQ(BrowseCallback(window.Get(), BFFM_VALIDATEFAILEDW, 0, 0), 0);
  gBrowserMessages = nullptr;

  // The selection, the status line from the start, and again on the change.
  ASSERT_EQ(messages.Received.size(), 3u);
  EXPECT_EQ(messages.Received[0].first, UINT(BFFM_SETSELECTIONW));
  EXPECT_EQ(messages.Selection, reinterpret_cast<LPARAM>(documents.Get()));
  for (size_t i : {1u, 2u}) {
    EXPECT_EQ(messages.Received[i].first, UINT(BFFM_SETSTATUSTEXTW));
    // The status line shows the path as the shell gives it.
    EXPECT_EQ(Utf8Of(messages.Received[i].second), PathFromItemIDList(documents.Get()));
  }
}

TEST_F(ShellTest, BrowsingFromAMissingFolderFailsBeforeAnyDialog) {
  vemo_test::TTempFolder temp("vemo-shell");
  std::string chosen = "left over";
  EXPECT_THROW(BrowseForFolder(nullptr, "フォルダ", kCsidlDesktop, (temp.FsPath() / "missing").wstring(),
                               kBifReturnOnlyFsDirs | kBifStatusText, chosen),
               EOleError);
}

BOOL CALLBACK CancelVisibleWindow(HWND window, LPARAM) {
  if (IsWindowVisible(window)) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

// Cancels the browser as soon as it shows, from a timer on this thread.
VOID CALLBACK CancelBrowser(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), CancelVisibleWindow, 0);
}

TEST_F(ShellTest, CancellingTheBrowserGivesFalseAndAnEmptyPath) {
  const UINT_PTR timer = SetTimer(nullptr, 0, 300, CancelBrowser);
  std::string chosen = "left over";
  EXPECT_FALSE(BrowseForFolder(nullptr, "フォルダ", kCsidlDesktop, kCsidlPersonal,
                               kBifReturnOnlyFsDirs | kBifStatusText, chosen));
  EXPECT_EQ(chosen, "");
  KillTimer(nullptr, timer);
}

// While the real browser is open: the texts of its child windows, read from a
// timer on this thread until they hold the awaited text (or a deadline
// passes), then the browser is cancelled.
std::vector<std::wstring>* gBrowserTexts = nullptr;
std::wstring gAwaitedText;
ULONGLONG gBrowserDeadline = 0;

BOOL CALLBACK CollectChildText(HWND child, LPARAM) {
  wchar_t text[MAX_PATH + 1] = {};
  GetWindowTextW(child, text, MAX_PATH);
  if (text[0]) gBrowserTexts->push_back(text);
  return TRUE;
}

BOOL CALLBACK ReadAndCancelVisibleWindow(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  gBrowserTexts->clear();
  EnumChildWindows(window, CollectChildText, 0);
  const bool seen =
      std::find(gBrowserTexts->begin(), gBrowserTexts->end(), gAwaitedText) != gBrowserTexts->end();
  if (seen || GetTickCount64() > gBrowserDeadline) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

VOID CALLBACK ReadAndCancelBrowser(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), ReadAndCancelVisibleWindow, 0);
}

TEST_F(ShellTest, TheRealBrowserOpensOnTheInitialFolderWithItsPathInTheStatusLine) {
  vemo_test::TTempFolder temp("vemo-shell");
  const std::filesystem::path folder = temp.MakeFolder("選んだ");
  std::vector<std::wstring> texts;
  gBrowserTexts = &texts;
  gAwaitedText = folder.wstring();
  // Wine fills the tree from the whole file system first (its Z: drive), which
  // can take a while on a busy machine; the wait ends as soon as the path shows.
  gBrowserDeadline = GetTickCount64() + 30000;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadAndCancelBrowser);
  std::string chosen;
  EXPECT_FALSE(BrowseForFolder(nullptr, "フォルダの参照", kCsidlDesktop, folder.wstring(),
                               kBifReturnOnlyFsDirs | kBifStatusText, chosen));
  KillTimer(nullptr, timer);
  gBrowserTexts = nullptr;
  EXPECT_THAT(texts, testing::Contains(L"フォルダの参照")) << "the title";
  EXPECT_THAT(texts, testing::Contains(folder.wstring())) << "the status line shows the preselected folder";
}

}  // namespace
