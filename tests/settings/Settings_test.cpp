#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <chrono>

#include "common/ZoShell.h"
#include "support/StoreTestSupport.h"

using namespace store_test;

namespace {

const std::string kAppKey = "\\Software\\Orvane\\vemo";
const std::string kDocuments = "C:\\Users\\me\\Documents";

class SettingsTest : public testing::Test {
protected:
  SettingsTest() : Env(Folder / "vemo.exe", Registry.Factory(), Files, Question) {}

  void Load() {
    LoadFrom(Env, [this](int csidl) {
      RequestedFolders.push_back(csidl);
      return Documents;
    });
    // As the main window does: the loaded interval is the one last set too.
    NewInterval = Interval;
  }
  void Save() { SaveSettings(Env, ToSave()); }
  void LoadFrom(const TStorageEnvironment& env, const TSpecialFolderPathFunc& specialFolderPath) {
    const TLoadedSettings loaded = LoadSettings(env, specialFolderPath);
    Interval = loaded.Settings.Interval;
    FolderList.Assign(loaded.Settings.Folders);
    if (loaded.Error) std::rethrow_exception(loaded.Error);
  }
  TSettings ToSave() const {
    TSettings settings;
    settings.Interval = NewInterval;
    settings.Folders.Assign(FolderList);
    return settings;
  }
  std::vector<std::string> Folders() const {
    std::vector<std::string> folders;
    for (int32_t i = 0; i < FolderList.Count(); ++i) folders.push_back(FolderList.Items(i));
    return folders;
  }
  void SetFolders(const std::vector<std::string>& folders) {
    FolderList.Clear();
    for (const std::string& folder : folders) FolderList.Add(folder);
  }
  std::string IniPath() const { return Folder / "vemo.ini"; }

  TScratchFolder Folder;
  TMemoryRegistry Registry;
  TFaultyFileSystem Files;
  TScriptedQuestion Question;
  TStorageEnvironment Env;
  uint16_t Interval = 0;
  uint16_t NewInterval = 0;
  TFolderList FolderList;
  std::string Documents = kDocuments;
  std::vector<int> RequestedFolders;
};

}  // namespace

TEST_F(SettingsTest, FirstStartWithTheIniFile) {
  Question.Answer = true;
  Interval = NewInterval = 99;
  FolderList.Add("C:\\old");
  Load();
  EXPECT_EQ(Question.Asked, 1);
  EXPECT_EQ(Interval, 15);
  EXPECT_EQ(Folders(), std::vector<std::string>{kDocuments});
  EXPECT_EQ(RequestedFolders, std::vector<int>{kCsidlPersonal});
  EXPECT_EQ(ReadBytes(IniPath()), "");  // nothing stored yet
  EXPECT_FALSE(Registry.HasKey(kAppKey));
}

TEST_F(SettingsTest, FirstStartWithTheRegistry) {
  Question.Answer = false;
  Load();
  EXPECT_EQ(Interval, 15);
  EXPECT_EQ(Folders(), std::vector<std::string>{kDocuments});
  EXPECT_TRUE(Registry.HasKey(kAppKey));
  EXPECT_TRUE(Registry.SubkeyNames(kAppKey).empty());
  EXPECT_FALSE(Exists(IniPath()));
}

// The first-run question taken down unanswered, as when the program is
// closed under it.
class TCancelledQuestion : public TStorageQuestion {
public:
  bool AskUseIniFile() override {
    ++Asked;
    throw EStorageQuestionCancelled();
  }
  int Asked = 0;
};

TEST_F(SettingsTest, AQuestionTakenDownUnansweredCreatesNoPlace) {
  TCancelledQuestion cancelled;
  const TStorageEnvironment env(Folder / "vemo.exe", Registry.Factory(), Files, cancelled);
  // Loading ends quietly with nothing read; saving hands the cancellation on.
  const TLoadedSettings loaded = LoadSettings(env, [](int) { return kDocuments; });
  EXPECT_FALSE(loaded.Error);
  EXPECT_EQ(loaded.Settings.Folders.Count(), 0);
  EXPECT_THROW(SaveSettings(env, ToSave()), EStorageQuestionCancelled);
  EXPECT_THROW(MoveSettings(env, ToSave()), EStorageQuestionCancelled);
  EXPECT_EQ(cancelled.Asked, 3);
  EXPECT_FALSE(Registry.HasKey("\\Software"));
  EXPECT_FALSE(Exists(IniPath()));
  EXPECT_EQ(Files.Writes, 0);
}

TEST_F(SettingsTest, ANewIniFileHoldsGeneralThenFolders) {
  Question.Answer = true;
  Load();
  NewInterval = 15;
  SetFolders({"C:\\Pictures", "D:\\写真"});
  Save();
  EXPECT_EQ(ReadBytes(IniPath()),
            "[General]\r\nInterval=15\r\n\r\n[Folders]\r\nCount=2\r\n0=C:\\Pictures\r\n1=D:\\" +
                std::string("\x8E\xCA\x90\x5E") + "\r\n\r\n");
  FolderList.Clear();
  Load();
  EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\Pictures", "D:\\写真"}));
  EXPECT_EQ(Question.Asked, 1);
}

TEST_F(SettingsTest, TheRegistryKeepsFoldersFromRunToRun) {
  Question.Answer = false;
  Load();
  NewInterval = 42;
  SetFolders({"C:\\A", "C:\\B", "C:\\\xF0\x9F\x98\x80"});  // the registry holds any path
  Save();
  TRegistryValue value;
  ASSERT_TRUE(Registry.GetValue(kAppKey + "\\General", "Interval", value));
  EXPECT_EQ(value.Type, uint32_t(rtDword));
  ASSERT_TRUE(Registry.GetValue(kAppKey + "\\Folders", "Count", value));
  EXPECT_EQ(value.Type, uint32_t(rtDword));
  ASSERT_TRUE(Registry.GetValue(kAppKey + "\\Folders", "2", value));
  EXPECT_EQ(value.Type, uint32_t(rtString));
  FolderList.Clear();
  Interval = NewInterval = 0;
  Load();
  EXPECT_EQ(Interval, 42);
  EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\A", "C:\\B", "C:\\\xF0\x9F\x98\x80"}));
}

TEST_F(SettingsTest, TheIntervalSetDuringAFadeIsTheOneSaved) {
  for (bool ini : {true, false}) {
    TScratchFolder folder;
    TMemoryRegistry registry;
    Question.Answer = ini;
    const TStorageEnvironment env(folder / "vemo.exe", registry.Factory(), Files, Question);
    Interval = 10;     // still in force while the fade runs
    NewInterval = 30;  // just set in the dialog
    SetFolders({"C:\\A"});
    SaveSettings(env, ToSave());
    Interval = NewInterval = 0;
    LoadFrom(env, [](int) { return std::string(); });
    EXPECT_EQ(Interval, 30) << ini;
  }
}

TEST_F(SettingsTest, ACountOfZeroMeansNoFolders) {
  WriteBytes(IniPath(), "[Folders]\r\nCount=0\r\n0=C:\\left\r\n");
  Load();
  EXPECT_TRUE(Folders().empty());
  EXPECT_TRUE(RequestedFolders.empty());
}

TEST_F(SettingsTest, ABareFoldersHeaderMeansTheDocumentsFolder) {
  WriteBytes(IniPath(), "[General]\r\nInterval=20\r\n[Folders]\r\n");
  Load();
  EXPECT_EQ(Interval, 20);
  EXPECT_EQ(Folders(), std::vector<std::string>{kDocuments});
  // Without a documents folder the list stays empty.
  Documents.clear();
  Load();
  EXPECT_TRUE(Folders().empty());
}

TEST_F(SettingsTest, AnEmptyRegistryFoldersKeyMeansNoFolders) {
  Registry.SetValue(kAppKey + "\\General", "Interval", RegistryDword(20));
  Registry.SetValue(kAppKey + "\\Folders", "unrelated", RegistryDword(1));
  Load();
  EXPECT_TRUE(Folders().empty());
  EXPECT_TRUE(RequestedFolders.empty());
}

TEST_F(SettingsTest, CountsBeyondTheEntriesNegativeOrNotNumbers) {
  WriteBytes(IniPath(), "[Folders]\r\nCount=5\r\n0=C:\\A\r\n3=C:\\D\r\n7=C:\\beyond\r\n");
  Load();
  EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\A", "C:\\D"}));
  WriteBytes(IniPath(), "[Folders]\r\nCount=-1\r\n0=C:\\A\r\n");
  Load();
  EXPECT_TRUE(Folders().empty());
  WriteBytes(IniPath(), "[Folders]\r\nCount=two\r\n0=C:\\A\r\n");
  Load();
  EXPECT_TRUE(Folders().empty());
  WriteBytes(IniPath(), "[Folders]\r\nCount=$3\r\n2=C:\\C\r\n1=C:\\B\r\n");
  Load();
  EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\B", "C:\\C"}));  // in index order
}

TEST_F(SettingsTest, OnlyTheDecimalTextOfAnIndexNamesAFolder) {
  WriteBytes(IniPath(), "[Folders]\r\nCount=10\r\n007=C:\\padded\r\n+7=C:\\signed\r\n7=C:\\seven\r\n");
  Load();
  EXPECT_EQ(Folders(), std::vector<std::string>{"C:\\seven"});
}

TEST_F(SettingsTest, DuplicatesAndEmptyEntriesAreDropped) {
  WriteBytes(
      IniPath(),
      "[Folders]\r\nCount=5\r\n0=C:\\Pictures\r\n1=\r\n2=c:\\PICTURES\r\n3=C:\\Pictures\\\r\n4=D:\\x\r\n");
  Load();
  EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\Pictures", "C:\\Pictures\\", "D:\\x"}));
}

TEST_F(SettingsTest, ACutListLeavesItsOldEntriesBehind) {
  for (bool ini : {true, false}) {
    TScratchFolder folder;
    TMemoryRegistry registry;
    Question.Answer = ini;
    const TStorageEnvironment env(folder / "vemo.exe", registry.Factory(), Files, Question);
    SetFolders({"C:\\0", "C:\\1", "C:\\2", "C:\\3", "C:\\4"});
    SaveSettings(env, ToSave());
    SetFolders({"C:\\a", "C:\\b", "C:\\c"});
    SaveSettings(env, ToSave());
    if (ini) {
      EXPECT_NE(ReadBytes(folder / "vemo.ini").find("3=C:\\3\r\n4=C:\\4\r\n"), std::string::npos);
    } else {
      TRegistryValue value;
      EXPECT_TRUE(registry.GetValue(kAppKey + "\\Folders", "4", value));
    }
    LoadFrom(env, [](int) { return std::string(); });
    EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\a", "C:\\b", "C:\\c"})) << ini;
  }
}

TEST_F(SettingsTest, IntervalsOutsideTheRangeAreAdoptedAsTheirLow16Bits) {
  WriteBytes(IniPath(), "[General]\r\nInterval=70000\r\n");
  Load();
  EXPECT_EQ(Interval, 70000 & 0xFFFF);
  WriteBytes(IniPath(), "[General]\r\nInterval=-1\r\n");
  Load();
  EXPECT_EQ(Interval, 65535);
  WriteBytes(IniPath(), "[General]\r\nInterval=1\r\n");
  Load();
  EXPECT_EQ(Interval, 1);
  WriteBytes(IniPath(), "[General]\r\nInterval=soon\r\n");
  Load();
  EXPECT_EQ(Interval, 15);
}

TEST_F(SettingsTest, LoadingWritesNothing) {
  const std::string text = "; mine\r\n[General]\r\n Interval = 20 \r\n[Folders]\r\nCount=1\r\n0=C:\\A\r\n";
  WriteBytes(IniPath(), text);
  Load();
  EXPECT_EQ(ReadBytes(IniPath()), text);
  EXPECT_EQ(Files.Writes, 0);
  EXPECT_FALSE(Registry.HasKey(kAppKey));
}

TEST_F(SettingsTest, AnEnormousCountLoadsAtOnce) {
  for (bool ini : {true, false}) {
    TScratchFolder folder;
    TMemoryRegistry registry;
    const TStorageEnvironment env(folder / "vemo.exe", registry.Factory(), Files, Question);
    if (ini) {
      WriteBytes(folder / "vemo.ini", "[Folders]\r\nCount=2147483647\r\n0=C:\\A\r\n2147483646=C:\\Z\r\n");
    } else {
      registry.SetValue(kAppKey + "\\Folders", "Count", RegistryDword(0x7FFFFFFF));
      registry.SetValue(kAppKey + "\\Folders", "0", RegistryString("C:\\A"));
      registry.SetValue(kAppKey + "\\Folders", "2147483646", RegistryString("C:\\Z"));
    }
    const auto start = std::chrono::steady_clock::now();
    LoadFrom(env, [](int) { return std::string(); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\A", "C:\\Z"})) << ini;
  }
}

TEST_F(SettingsTest, AFolderCodePage932CannotHoldFailsTheIniSaveNamingIt) {
  Question.Answer = true;
  Load();
  NewInterval = 20;
  SetFolders({"C:\\A"});
  Save();
  const std::string before = ReadBytes(IniPath());
  NewInterval = 30;
  SetFolders({"C:\\A", "C:\\Photos \xF0\x9F\x93\xB7"});
  const std::string error = ErrorOf([&] { Save(); });
  EXPECT_NE(error.find("C:\\Photos \xF0\x9F\x93\xB7"), std::string::npos) << error;
  EXPECT_EQ(ReadBytes(IniPath()), before);
  EXPECT_FALSE(Exists(IniPath() + ".tmp"));
}

TEST_F(SettingsTest, ASaveThatCannotWriteLeavesTheIniFileAsItWas) {
  Question.Answer = true;
  Load();
  SetFolders({"C:\\A"});
  NewInterval = 20;
  Save();
  const std::string before = ReadBytes(IniPath());
  NewInterval = 40;
  Files.FailWrite = true;
  EXPECT_EQ(ErrorOf([&] { Save(); }), "ファイル " + IniPath() + " を作成できません");
  EXPECT_EQ(ReadBytes(IniPath()), before);
}

TEST_F(SettingsTest, LoadErrorsKeepWhatWasReadSoFar) {
  Registry.SetValue(kAppKey + "\\General", "Interval", RegistryDword(25));
  Registry.SetValue(kAppKey + "\\Folders", "Count", RegistryDword(3));
  Registry.SetValue(kAppKey + "\\Folders", "0", RegistryString("C:\\A"));
  Registry.SetValue(kAppKey + "\\Folders", "1", RegistryDword(7));
  Registry.SetValue(kAppKey + "\\Folders", "2", RegistryString("C:\\C"));
  EXPECT_EQ(ErrorOf([&] { Load(); }), "'1' のデータ型が不正です");
  EXPECT_EQ(Interval, 25);
  EXPECT_EQ(Folders(), std::vector<std::string>{"C:\\A"});

  Registry.SetValue(kAppKey + "\\General", "Interval", RegistryString("25"));
  EXPECT_EQ(ErrorOf([&] { Load(); }), "'Interval' のデータ型が不正です");
}

TEST_F(SettingsTest, ChangingThePlaceSavesMovesAndSavesAgain) {
  Question.Answer = true;
  Load();
  NewInterval = 20;
  SetFolders({"C:\\A", "C:\\B"});
  // The configuration dialog's sequence: save in the old place, move, save in the new.
  Save();
  TZoIniFile2::MoveStorage(Env, spRegistry);
  Save();
  EXPECT_FALSE(Exists(IniPath()));
  FolderList.Clear();
  Interval = NewInterval = 0;
  Load();
  EXPECT_EQ(Interval, 20);
  EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\A", "C:\\B"}));
  TRegistryValue value;
  EXPECT_TRUE(Registry.GetValue(kAppKey + "\\Folders", "1", value));

  // And back again.
  Save();
  TZoIniFile2::MoveStorage(Env, spIniFile);
  Save();
  EXPECT_FALSE(Registry.HasKey(kAppKey));
  EXPECT_EQ(ReadBytes(IniPath()),
            "[General]\r\nInterval=20\r\n\r\n[Folders]\r\nCount=2\r\n0=C:\\A\r\n1=C:\\B\r\n\r\n");
  EXPECT_EQ(Question.Asked, 1);
}

// The settings command's way back when a move fails: the old place again,
// and the settings the program holds saved into it.
TEST_F(SettingsTest, AMoveThatFailsCanGoBackWithNothingLost) {
  Question.Answer = false;
  Load();
  NewInterval = 20;
  const std::string unwritable = "C:\\Users\\Jos\xC3\xA9\\Pictures";  // no é in code page 932
  SetFolders({"C:\\A", unwritable});
  Save();
  auto goBack = [this, &unwritable] {
    TZoIniFile2::MoveStorage(Env, spRegistry);
    Save();
    FolderList.Clear();
    Interval = NewInterval = 0;
    Load();
    EXPECT_EQ(Interval, 20);
    EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\A", unwritable}));
    EXPECT_FALSE(Exists(IniPath()));
    NewInterval = Interval;
  };

  // The INI file is made, but the folder cannot be written into it.
  TZoIniFile2::MoveStorage(Env, spIniFile);
  EXPECT_NE(ErrorOf([&] { Save(); }).find(unwritable), std::string::npos);
  goBack();

  // The INI file cannot be made at all: the registry key comes back empty.
  Files.CreateError = 5;
  EXPECT_NE(ErrorOf([&] { TZoIniFile2::MoveStorage(Env, spIniFile); }), "");
  EXPECT_TRUE(Registry.HasKey(kAppKey));
  Files.CreateError = 0;
  goBack();
  EXPECT_EQ(Question.Asked, 1) << "the first-run question came back";
}

TEST_F(SettingsTest, ADamagedFolderPathSurvivesLoadAndSaveByteForByte) {
  // 0x85 0x40 is an unassigned pair: it reads as U+FFFD, which code page 932
  // cannot write, yet saving the list unchanged keeps the file's bytes.
  const std::string damaged = "C:\\\x85\x40";
  WriteBytes(IniPath(),
             "[General]\r\nInterval=20\r\n\r\n[Folders]\r\nCount=2\r\n0=" + damaged + "\r\n1=D:\\ok\r\n\r\n");
  Load();
  EXPECT_EQ(Folders(), (std::vector<std::string>{"C:\\\xEF\xBF\xBD", "D:\\ok"}));
  NewInterval = 25;
  Save();
  EXPECT_EQ(ReadBytes(IniPath()),
            "[General]\r\nInterval=25\r\n\r\n[Folders]\r\nCount=2\r\n0=" + damaged + "\r\n1=D:\\ok\r\n\r\n");
}

TEST_F(SettingsTest, TheLanguageIsReadWithoutAskingAndTravelsOnlyWithAMove) {
  EXPECT_EQ(LoadLanguage(Env), "");
  EXPECT_EQ(Question.Asked, 0);
  EXPECT_FALSE(Exists(IniPath()));
  WriteBytes(IniPath(), "[General]\r\nInterval=7\r\nLanguage=en\r\n");
  EXPECT_EQ(LoadLanguage(Env), "en");
  EXPECT_EQ(LoadSettings(Env, [](int) { return kDocuments; }).Settings.Language, "en");
  Registry.SetValue(kAppKey + "\\General", "Language", RegistryString("ja"));
  EXPECT_EQ(LoadLanguage(Env), "ja");
  Registry.SetValue(kAppKey + "\\General", "Language", RegistryDword(1));
  EXPECT_EQ(LoadLanguage(Env), "");
  EXPECT_FALSE(LoadSettings(Env, [](int) { return kDocuments; }).Error) << "a wrong type is no error";
  Registry.NewAccess()->DeleteKeyTree(kAppKey);

  // A save in place never writes it, even when the settings carry one.
  TSettings settings = LoadSettings(Env, [](int) { return kDocuments; }).Settings;
  settings.Language = "ja";
  SaveSettings(Env, settings);
  MoveSettings(Env, settings);  // already there: no move
  EXPECT_EQ(ReadBytes(IniPath()).find("Language=ja"), std::string::npos);
  settings.Language = "en";
  settings.Storage = spRegistry;
  MoveSettings(Env, settings);
  TRegistryValue value;
  ASSERT_TRUE(Registry.GetValue(kAppKey + "\\General", "Language", value));
  EXPECT_EQ(value.Type, uint32_t(rtString));
  settings.Storage = spIniFile;
  MoveSettings(Env, settings);
  EXPECT_EQ(LoadLanguage(Env), "en");
  settings.Language.clear();
  settings.Storage = spRegistry;
  MoveSettings(Env, settings);
  EXPECT_FALSE(Registry.GetValue(kAppKey + "\\General", "Language", value)) << "none read, none written";
  EXPECT_EQ(Question.Asked, 0);
}

TEST_F(SettingsTest, OnlineOnlyAndHiddenPicturesAreWrittenOnlyOnceTheySaySomething) {
  const std::string untouched = "[General]\r\nInterval=15\r\n\r\n[Folders]\r\nCount=1\r\n0=C:\\A\r\n\r\n";
  for (const TStoragePlace place : {spIniFile, spRegistry}) {
    SCOPED_TRACE(place == spIniFile ? "INI file" : "registry");
    Registry.NewAccess()->DeleteKeyTree(kAppKey);
    if (place == spIniFile) WriteBytes(IniPath(), untouched);
    if (place == spRegistry) {
      Files.RemoveFile(IniPath());
      Registry.NewAccess()->CreateKey(kAppKey);
    }
    auto load = [this] { return LoadSettings(Env, [](int) { return kDocuments; }).Settings; };
    TSettings settings = load();
    EXPECT_FALSE(settings.OnlineOnly);
    EXPECT_TRUE(settings.Hidden.empty());
    SaveSettings(Env, settings);
    EXPECT_TRUE(place == spIniFile ? ReadBytes(IniPath()) == untouched
                                   : !Registry.HasKey(kAppKey + "\\Hidden"));

    settings.OnlineOnly = true;
    settings.Hidden = {"C:\\A\\x.jpg", "C:\\A\\y.jpg"};
    SaveSettings(Env, settings);
    TSettings read = load();
    EXPECT_TRUE(read.OnlineOnly);
    EXPECT_EQ(read.Hidden, settings.Hidden);

    // Turned off again: the store says so, rather than forgetting it.
    settings.OnlineOnly = false;
    settings.Hidden.clear();
    SaveSettings(Env, settings);
    read = load();
    EXPECT_FALSE(read.OnlineOnly);
    EXPECT_TRUE(read.Hidden.empty());
    EXPECT_TRUE(place == spRegistry || ReadBytes(IniPath()).find("OnlineOnly=0") != std::string::npos);
  }
  // Values the program never writes read as off.
  for (const char* odd : {"2", "-1", "yes"}) {
    WriteBytes(IniPath(), std::string("[General]\r\nOnlineOnly=") + odd + "\r\n");
    EXPECT_FALSE(LoadSettings(Env, [](int) { return kDocuments; }).Settings.OnlineOnly) << odd;
  }
}
