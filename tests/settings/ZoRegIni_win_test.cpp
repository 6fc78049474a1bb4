#include "settings/ZoRegIni_win.h"

#include <gtest/gtest.h>

#include <random>

#include "common/ZoShell.h"
#include "framework/Streams.h"
#include "settings/Settings.h"
#include "support/StoreTestSupport.h"

using namespace store_test;

namespace {

// A uniquely named executable beside a scratch folder, so that every test
// has its own registry key and INI file; the key goes when the test ends.
class WinStoreTest : public testing::Test {
protected:
  WinStoreTest()
      : AppName("vemo-test-" + std::to_string(std::random_device{}() % 1000000000)),
        Env(
            Folder / (AppName + ".exe"), [] { return std::make_unique<TWinRegistry>(); }, Files, Question) {}
  ~WinStoreTest() override { TWinRegistry().DeleteKeyTree(AppKey()); }

  std::string AppKey() const { return "\\Software\\Orvane\\" + AppName; }
  std::string IniPath() const { return Folder / (AppName + ".ini"); }
  static bool KeyExists(const std::string& path) {
    TRegKey key;
    HKEY opened = nullptr;
    const LONG result =
        RegOpenKeyExW(HKEY_CURRENT_USER, WideOf(path.substr(1)).c_str(), 0, KEY_READ, &opened);
    return key.Adopt(result, opened);
  }
  // Sets a value behind the store's back, in a key created as needed.
  static void SetRaw(const std::string& path, const std::string& name, DWORD type, const void* data,
                     DWORD size) {
    TRegKey key;
    HKEY created = nullptr;
    const LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, WideOf(path.substr(1)).c_str(), 0, nullptr, 0,
                                        KEY_ALL_ACCESS, nullptr, &created, nullptr);
    ASSERT_TRUE(key.Adopt(result, created));
    ASSERT_EQ(RegSetValueExW(key.Get(), WideOf(name).c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  static bool GetRaw(const std::string& path, const std::string& name, DWORD& type, std::vector<BYTE>& data) {
    TRegKey key;
    HKEY opened = nullptr;
    const LONG result =
        RegOpenKeyExW(HKEY_CURRENT_USER, WideOf(path.substr(1)).c_str(), 0, KEY_READ, &opened);
    if (!key.Adopt(result, opened)) {
      return false;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), WideOf(name).c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return false;
    data.resize(size);
    return RegQueryValueExW(key.Get(), WideOf(name).c_str(), nullptr, &type, data.data(), &size) ==
           ERROR_SUCCESS;
  }

  TScratchFolder Folder;
  std::string AppName;
  TWinFileSystem Files;
  TScriptedQuestion Question;
  TStorageEnvironment Env;
};

}  // namespace

TEST_F(WinStoreTest, TheRegistryKeepsKeysValuesAndDeletesWholeTrees) {
  TWinRegistry registry;
  const std::string deep = AppKey() + "\\Folders\\Deeper\\Deepest";
  EXPECT_FALSE(registry.KeyExists(AppKey()));
  ASSERT_TRUE(registry.CreateKey(deep));
  EXPECT_TRUE(registry.KeyExists(AppKey()));
  EXPECT_TRUE(KeyExists(deep));
  EXPECT_FALSE(registry.OpenKey(AppKey() + "\\General", false));
  ASSERT_TRUE(registry.OpenKey(AppKey() + "\\General", true));
  ASSERT_TRUE(registry.WriteValue("Interval", RegistryDword(20)));
  ASSERT_TRUE(registry.WriteValue("名前", RegistryString("C:\\写真")));
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(GetRaw(AppKey() + "\\General", "Interval", type, data));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(data, (std::vector<BYTE>{20, 0, 0, 0}));
  ASSERT_TRUE(GetRaw(AppKey() + "\\General", "名前", type, data));
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(data, (std::vector<BYTE>{'C', 0, ':', 0, '\\', 0, 0x99, 0x51, 0x1F, 0x77, 0, 0}));
  TRegistryValue value;
  EXPECT_EQ(registry.ReadValue("missing", value), rrNoValue);
  ASSERT_EQ(registry.ReadValue("名前", value), rrValue);
  EXPECT_EQ(value.Type, uint32_t(rtString));
  const std::vector<std::string> names = registry.ValueNames();
  EXPECT_EQ(names.size(), 2u);
  EXPECT_NE(std::find(names.begin(), names.end(), "名前"), names.end());
  registry.CloseKey();
  EXPECT_EQ(registry.ReadValue("Interval", value), rrNoValue);

  SetRaw(deep, "x", REG_DWORD, "\1\0\0\0", 4);
  EXPECT_TRUE(registry.DeleteKeyTree(AppKey()));
  EXPECT_FALSE(KeyExists(AppKey()));
  EXPECT_TRUE(KeyExists("\\Software\\Orvane"));
  EXPECT_FALSE(registry.DeleteKeyTree(AppKey()));
}

TEST_F(WinStoreTest, FirstRunAnsweredNoThenYes) {
  Question.Answer = false;
  {
    TZoIniFile2 store(Env);
    EXPECT_EQ(store.Place(), spRegistry);
  }
  EXPECT_TRUE(KeyExists(AppKey()));
  EXPECT_FALSE(Exists(IniPath()));
  TZoIniFile2::MoveStorage(Env, spIniFile);
  EXPECT_FALSE(KeyExists(AppKey()));
  TWinRegistry().DeleteKeyTree(AppKey());
  std::filesystem::remove(FsPath(IniPath()));

  Question.Answer = true;
  {
    TZoIniFile2 store(Env);
    EXPECT_EQ(store.Place(), spIniFile);
  }
  EXPECT_EQ(ReadBytes(IniPath()), "");
  EXPECT_FALSE(KeyExists(AppKey()));
  EXPECT_EQ(Question.Asked, 2);
}

TEST_F(WinStoreTest, SettingsTravelBetweenTheRealPlaces) {
  Question.Answer = true;
  TSettings settings = LoadSettings(Env, GetSpecialFolderPath).Settings;
  uint16_t& interval = settings.Interval;
  TFolderList& folders = settings.Folders;
  interval = 25;
  folders.Clear();
  folders.Add("C:\\写真");
  folders.Add("Z:\\tmp");
  SaveSettings(Env, settings);
  EXPECT_EQ(ReadBytes(IniPath()), "[General]\r\nInterval=25\r\n\r\n[Folders]\r\nCount=2\r\n0=C:\\" +
                                      std::string("\x8E\xCA\x90\x5E") + "\r\n1=Z:\\tmp\r\n\r\n");
  // To the registry and back, saving as the configuration dialog does.
  TZoIniFile2::MoveStorage(Env, spRegistry);
  SaveSettings(Env, settings);
  EXPECT_FALSE(Exists(IniPath()));
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(GetRaw(AppKey() + "\\Folders", "0", type, data));
  EXPECT_EQ(type, DWORD(REG_SZ));
  ASSERT_TRUE(GetRaw(AppKey() + "\\General", "Interval", type, data));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  interval = 0;
  folders.Clear();
  settings = LoadSettings(Env, GetSpecialFolderPath).Settings;
  EXPECT_EQ(interval, 25);
  ASSERT_EQ(folders.Count(), 2);
  EXPECT_EQ(folders.Items(0), "C:\\写真");
  TZoIniFile2::MoveStorage(Env, spIniFile);
  EXPECT_FALSE(KeyExists(AppKey()));
  EXPECT_TRUE(KeyExists("\\Software\\Orvane"));
  EXPECT_EQ(ReadBytes(IniPath()), "");
  SaveSettings(Env, settings);
  folders.Clear();
  settings = LoadSettings(Env, GetSpecialFolderPath).Settings;
  EXPECT_EQ(folders.Count(), 2);
  EXPECT_EQ(Question.Asked, 1);
}

TEST_F(WinStoreTest, TheRegistryWinsOverAnIniFile) {
  WriteBytes(IniPath(), "[General]\r\nInterval=7\r\n");
  SetRaw(AppKey() + "\\General", "Interval", REG_DWORD, "\x09\0\0\0", 4);
  TStoragePlace place = spIniFile;
  EXPECT_TRUE(TZoIniFile2::QueryStorage(Env, place));
  EXPECT_EQ(place, spRegistry);
  TZoIniFile2 store(Env);
  store.OpenSection("General", false);
  EXPECT_EQ(store.ReadInteger("Interval", 15), 9);
}

TEST_F(WinStoreTest, RealRegistryValuesOfTheWrongType) {
  const std::string general = AppKey() + "\\General";
  SetRaw(general, "Interval", REG_SZ, L"15", 6);
  SetRaw(general, "Bin", REG_BINARY, "\1\2\3\4", 4);
  SetRaw(general, "Multi", REG_MULTI_SZ, L"a\0b\0", 10);
  SetRaw(general, "Expand", REG_EXPAND_SZ, L"%TEMP%", 14);
  SetRaw(general, "Count", REG_DWORD, "\5\0\0\0", 4);
  TZoIniFile2 store(Env);
  store.OpenSection("General", false);
  EXPECT_EQ(ErrorOf([&] { store.ReadInteger("Interval", 0); }), "'Interval' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { store.ReadInteger("Bin", 0); }), "'Bin' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { store.ReadString("Multi", ""); }), "'Multi' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { store.ReadString("Count", ""); }), "'Count' のデータ型が不正です");
  EXPECT_EQ(store.ReadString("Interval", ""), "15");
  EXPECT_EQ(store.ReadString("Expand", ""), "%TEMP%");
  EXPECT_EQ(store.ReadInteger("Count", 0), 5);
}

TEST_F(WinStoreTest, RegistryRefusalsGiveTheirMessages) {
  // A key name longer than the registry allows cannot be created.
  const std::string longName(300, 'k');
  TScriptedQuestion no;
  no.Answer = false;
  const TStorageEnvironment longEnv(
      Folder / (longName + ".exe"), [] { return std::make_unique<TWinRegistry>(); }, Files, no);
  EXPECT_EQ(ErrorOf([&] { TZoIniFile2 store(longEnv); }),
            "キー \\Software\\Orvane\\" + longName + " の作成に失敗しました");
  // Nor a value name longer than it allows.
  Question.Answer = false;
  TZoIniFile2 store(Env);
  store.OpenSection("General", true);
  const std::string longValue(20000, 'v');
  EXPECT_EQ(ErrorOf([&] { store.WriteInteger(longValue, 1); }), "'" + longValue + "' の設定に失敗しました");
  store.OpenSection("Missing", false);
  EXPECT_EQ(ErrorOf([&] { store.WriteInteger("x", 1); }), "カレントセクションが設定されていません。");
}

TEST_F(WinStoreTest, FilesAreCreatedReplacedWholeAndRefusedWithTheSystemsCode) {
  EXPECT_FALSE(Files.FileExists(IniPath()));
  EXPECT_EQ(Files.CreateEmptyFile(IniPath()), 0);
  EXPECT_TRUE(Files.FileExists(IniPath()));
  EXPECT_EQ(Files.CreateEmptyFile(IniPath()), 0);  // an existing file is left alone
  EXPECT_EQ(Files.CreateEmptyFile(Folder / "no\\such\\vemo.ini"), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(Files.FileExists(Folder / ""));
  ASSERT_TRUE(Files.WriteFileAtomically(IniPath(), "[General]\r\nInterval=7\r\n"));
  std::string data;
  EXPECT_EQ(Files.ReadWholeFile(IniPath(), 100, data), frRead);
  EXPECT_EQ(data, "[General]\r\nInterval=7\r\n");
  EXPECT_EQ(Files.ReadWholeFile(IniPath(), 10, data), frTooLarge);
  EXPECT_EQ(Files.ReadWholeFile(Folder / "absent.ini", 10, data), frMissing);
  // Files of the user's with names like a temporary one are never touched.
  WriteBytes(IniPath() + ".tmp", "mine");
  WriteBytes(IniPath() + ".~" + std::to_string(GetCurrentProcessId()) + "-0.tmp", "mine too");
  ASSERT_TRUE(Files.WriteFileAtomically(IniPath(), "new"));
  EXPECT_EQ(ReadBytes(IniPath()), "new");
  EXPECT_EQ(ReadBytes(IniPath() + ".tmp"), "mine");
  EXPECT_EQ(ReadBytes(IniPath() + ".~" + std::to_string(GetCurrentProcessId()) + "-0.tmp"), "mine too");
  EXPECT_TRUE(Files.RemoveFile(IniPath()));
  EXPECT_FALSE(Files.RemoveFile(IniPath()));

  // Through the store: the real system code of a missing folder.
  TScriptedQuestion yes;
  const TStorageEnvironment missing(
      Folder / "gone\\vemo.exe", [] { return std::make_unique<TWinRegistry>(); }, Files, yes);
  EXPECT_EQ(ErrorOf([&] { TZoIniFile2 store(missing); }), "不正なファイル名です");
}

TEST_F(WinStoreTest, AnIniFileThatCannotBeSwappedIsRewrittenInPlaceAndOneThatCannotBeWrittenStays) {
  const std::string old = "[General]\r\nInterval=7\r\nPadding=0123456789\r\n";
  WriteBytes(IniPath(), old);
  const auto filesInFolder = [&] {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FsPath(Folder / "")))
      count += entry.exists();
    return count;
  };
  TZoIniFile2 store(Env);
  store.OpenSection("General", true);
  store.WriteInteger("Interval", 30);
  {
    // Held open by another program that lets it be written but not renamed
    // over: the swap fails, the file itself takes the new text, shorter.
    const HANDLE holder = CreateFileW(WideOf(IniPath()).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    store.UpdateFile();
    CloseHandle(holder);
  }
  EXPECT_EQ(ReadBytes(IniPath()), "[General]\r\nInterval=30\r\nPadding=0123456789\r\n\r\n");
  EXPECT_EQ(filesInFolder(), 1u) << "a temporary file stayed";
  // Held open against writers too: neither way works, the error is raised
  // and the file stays.
  store.OpenSection("General", true);
  store.WriteInteger("Interval", 40);
  {
    const HANDLE holder = CreateFileW(WideOf(IniPath()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf([&] { store.UpdateFile(); }), "ファイル " + IniPath() + " を作成できません");
    CloseHandle(holder);
  }
  EXPECT_EQ(ReadBytes(IniPath()), "[General]\r\nInterval=30\r\nPadding=0123456789\r\n\r\n");
  EXPECT_EQ(filesInFolder(), 1u) << "a temporary file stayed";
  store.UpdateFile();
  EXPECT_EQ(ReadBytes(IniPath()), "[General]\r\nInterval=40\r\nPadding=0123456789\r\n\r\n");
}

TEST_F(WinStoreTest, AnIniFileThatIsALinkStaysALink) {
  const std::string real = Folder / "real.ini";
  WriteBytes(real, "old");
  if (!CreateSymbolicLinkW(WideOf(IniPath()).c_str(), WideOf(real).c_str(), 0))
    GTEST_SKIP() << "no symbolic links here: " << GetLastError();
  {
    // Wine makes a Unix link that its own calls never show as one.
    const HANDLE file = CreateFileW(WideOf(IniPath()).c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    wchar_t final[MAX_PATH] = {};
    GetFinalPathNameByHandleW(file, final, MAX_PATH, VOLUME_NAME_DOS);
    CloseHandle(file);
    if (std::wstring(final).find(L"real.ini") == std::wstring::npos)
      GTEST_SKIP() << "this system does not say where the link leads";
  }
  ASSERT_TRUE(Files.WriteFileAtomically(IniPath(), "new"));
  EXPECT_EQ(ReadBytes(real), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(FsPath(IniPath())));
}

TEST(WinShell, TheDocumentsFolderIsKnown) {
  const std::string documents = GetSpecialFolderPath(kCsidlPersonal);
  EXPECT_FALSE(documents.empty());
  EXPECT_EQ(documents.find('\0'), std::string::npos);
  EXPECT_EQ(documents.substr(1, 2), ":\\") << documents;
}

TEST(WinStoreEnvironment, NamesComeFromThisExecutable) {
  const std::string exe = ExecutablePath();
  ASSERT_GT(exe.size(), 4u);
  EXPECT_EQ(exe.substr(exe.size() - 4), ".exe");
  const TStorageEnvironment& env = DefaultStorageEnvironment();
  EXPECT_EQ(env.ExePath(), exe);
  EXPECT_EQ(TZoIniFile2::GetAppName(env), "vemo_win_tests");
  EXPECT_EQ(TZoIniFile2::GetIniFileName(env), exe.substr(0, exe.size() - 4) + ".ini");
}

namespace {

// What the question's box showed, read while it is open.
struct TSeenBox {
  bool Found = false;
  std::wstring Caption, Text, Yes, No;
  bool YesIsDefault = false;
  bool HasIcon = false;  // the question-mark icon
  WPARAM Key = VK_ESCAPE;
  // Instead of a key: the quit the main window's close posts.
  bool Quit = false;
};
TSeenBox gSeen;

// The box's icon: a static control showing one (its control id differs
// between Windows and Wine).
BOOL CALLBACK FindIcon(HWND control, LPARAM) {
  wchar_t className[16] = {};
  GetClassNameW(control, className, 16);
  if (lstrcmpiW(className, L"Static") == 0 && (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
      reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0)) == LoadIconW(nullptr, IDI_QUESTION)) {
    gSeen.HasIcon = true;
  }
  return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (lstrcmpW(className, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  auto text = [](HWND control) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(control, buffer, 1024);
    return std::wstring(buffer);
  };
  gSeen.Found = true;
  gSeen.Caption = text(window);
  gSeen.Text = text(GetDlgItem(window, 0xFFFF));
  gSeen.Yes = text(GetDlgItem(window, IDOK));
  gSeen.No = text(GetDlgItem(window, IDCANCEL));
  gSeen.YesIsDefault = (GetWindowLongW(GetDlgItem(window, IDOK), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
  EnumChildWindows(window, FindIcon, 0);
  if (gSeen.Quit) {
    PostQuitMessage(0);
    return FALSE;
  }
  // Answer with the key a user would press, sent to the focused button.
  HWND focus = GetFocus();
  PostMessageW(focus ? focus : window, WM_KEYDOWN, gSeen.Key, 0);
  PostMessageW(focus ? focus : window, WM_KEYUP, gSeen.Key, 0xC0000000);
  return FALSE;
}

void CALLBACK LookForBox(HWND, UINT, UINT_PTR, DWORD) {
  if (!gSeen.Found) EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
}

bool AskWithKey(WPARAM key, bool quit = false) {
  gSeen = TSeenBox();
  gSeen.Key = key;
  gSeen.Quit = quit;
  // Killed however the question ends, a cancellation included.
  const TOwnedHandle<UINT_PTR, [](UINT_PTR timer) { KillTimer(nullptr, timer); }> timer(
      SetTimer(nullptr, 0, 100, LookForBox));
  return TMessageBoxStorageQuestion().AskUseIniFile();
}

}  // namespace

// Wine shows windows only with an X display (the tests run under Xvfb).
bool CanShowWindows() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
  return !wine || GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) > 0;
}

TEST(WinStorageQuestion, ShowsTheQuestionAndTakesEnterAndEscape) {
  if (!CanShowWindows()) GTEST_SKIP() << "no display for the message box: run under Xvfb with DISPLAY set";
  EXPECT_FALSE(AskWithKey(VK_ESCAPE));
  ASSERT_TRUE(gSeen.Found);
  EXPECT_EQ(gSeen.Caption, L"確認");
  EXPECT_EQ(gSeen.Text, WideOf(kStorageQuestionText));
  EXPECT_EQ(gSeen.Text.find(L'\n'), std::wstring::npos);
  EXPECT_EQ(gSeen.Yes, L"はい(&Y)");
  EXPECT_EQ(gSeen.No, L"いいえ(&N)");
  EXPECT_TRUE(gSeen.YesIsDefault);
  EXPECT_TRUE(gSeen.HasIcon);
  EXPECT_TRUE(AskWithKey(VK_RETURN));
  ASSERT_TRUE(gSeen.Found);
}

TEST(WinStorageQuestion, ABoxTakenDownAsTheProgramEndsAnswersNothing) {
  if (!CanShowWindows()) GTEST_SKIP() << "no display for the message box: run under Xvfb with DISPLAY set";
  EXPECT_THROW(AskWithKey(VK_RETURN, true), EStorageQuestionCancelled);
  ASSERT_TRUE(gSeen.Found);
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the quit is left for the outer loop";
}
