#include "settings/ZoRegIni.h"

#include <gtest/gtest.h>

#include "framework/CodePage932.h"
#include "support/StoreTestSupport.h"

using namespace store_test;

namespace {

const std::string kAppKey = "\\Software\\Orvane\\vemo";
const char* const kNoSection = "カレントセクションが設定されていません。";

class ZoRegIniTest : public testing::Test {
protected:
  TStorageEnvironment Environment(const std::string& exeName = "vemo.exe") {
    return TStorageEnvironment(Folder / exeName, Registry.Factory(), Files, Question);
  }
  std::string IniPath() const { return Folder / "vemo.ini"; }

  TScratchFolder Folder;
  TMemoryRegistry Registry;
  TFaultyFileSystem Files;
  TScriptedQuestion Question;
};

}  // namespace

TEST(ZoRegIniNames, ComeFromTheExecutablesOwnName) {
  TMemoryRegistry registry;
  TPortableFileSystem files;
  TScriptedQuestion question;
  const TStorageEnvironment windows("C:\\Program Files\\Kobaru\\vemo.exe", registry.Factory(), files,
                                    question);
  EXPECT_EQ(TZoIniFile2::GetAppName(windows), "vemo");
  EXPECT_EQ(TZoIniFile2::GetIniFileName(windows), "C:\\Program Files\\Kobaru\\vemo.ini");
  const TStorageEnvironment dotted("D:\\a.b\\my.tool.exe", registry.Factory(), files, question);
  EXPECT_EQ(TZoIniFile2::GetAppName(dotted), "my.tool");
  EXPECT_EQ(TZoIniFile2::GetIniFileName(dotted), "D:\\a.b\\my.tool.ini");
  const TStorageEnvironment bare("/opt/a.b/vemo", registry.Factory(), files, question);
  EXPECT_EQ(TZoIniFile2::GetAppName(bare), "vemo");
  EXPECT_EQ(TZoIniFile2::GetIniFileName(bare), "/opt/a.b/vemo.ini");
  EXPECT_EQ(TZoIniFile2::KeyPathOf("vemo", ""), "\\Software\\Orvane\\vemo");
  EXPECT_EQ(TZoIniFile2::KeyPathOf("vemo", "General"), "\\Software\\Orvane\\vemo\\General");
}

TEST_F(ZoRegIniTest, FirstRunYesLeavesAnEmptyIniFileAndAsksOnce) {
  Question.Answer = true;
  const TStorageEnvironment env = Environment();
  {
    TZoIniFile2 store(env);
    EXPECT_EQ(store.Place(), spIniFile);
    EXPECT_TRUE(store.NewPlace());
    EXPECT_EQ(Question.Asked, 1);
    ASSERT_TRUE(Exists(IniPath()));
    EXPECT_EQ(ReadBytes(IniPath()), "");
  }
  EXPECT_FALSE(Registry.HasKey(kAppKey));
  TZoIniFile2 again(env);
  EXPECT_EQ(again.Place(), spIniFile);
  EXPECT_FALSE(again.NewPlace());
  EXPECT_EQ(Question.Asked, 1);
  TStoragePlace place = spRegistry;
  EXPECT_TRUE(TZoIniFile2::QueryStorage(env, place));
  EXPECT_EQ(place, spIniFile);
}

TEST_F(ZoRegIniTest, FirstRunNoLeavesAnEmptyKey) {
  Question.Answer = false;
  const TStorageEnvironment env = Environment();
  {
    TZoIniFile2 store(env);
    EXPECT_EQ(store.Place(), spRegistry);
    EXPECT_EQ(Question.Asked, 1);
  }
  EXPECT_TRUE(Registry.HasKey(kAppKey));
  EXPECT_TRUE(Registry.SubkeyNames(kAppKey).empty());
  EXPECT_FALSE(Exists(IniPath()));
  TZoIniFile2 again(env);
  EXPECT_EQ(again.Place(), spRegistry);
  EXPECT_EQ(Question.Asked, 1);
}

TEST_F(ZoRegIniTest, TheRegistryWinsWhenBothPlacesExist) {
  WriteBytes(IniPath(), "[General]\r\nInterval=7\r\n");
  Registry.SetValue(kAppKey + "\\General", "Interval", RegistryDword(9));
  const TStorageEnvironment env = Environment();
  TStoragePlace place = spIniFile;
  EXPECT_TRUE(TZoIniFile2::QueryStorage(env, place));
  EXPECT_EQ(place, spRegistry);
  TZoIniFile2 store(env);
  EXPECT_EQ(store.Place(), spRegistry);
  store.OpenSection("General", false);
  EXPECT_EQ(store.ReadInteger("Interval", 15), 9);
  EXPECT_EQ(Question.Asked, 0);
}

TEST_F(ZoRegIniTest, QueryStorageWithNoPlaceLeavesItsArgument) {
  const TStorageEnvironment env = Environment();
  for (TStoragePlace before : {spIniFile, spRegistry}) {
    TStoragePlace place = before;
    EXPECT_FALSE(TZoIniFile2::QueryStorage(env, place));
    EXPECT_EQ(place, before);
  }
  EXPECT_FALSE(Registry.HasKey(kAppKey));
  EXPECT_FALSE(Exists(IniPath()));
}

TEST_F(ZoRegIniTest, AnotherExecutableNameStartsAsAtAFirstRun) {
  Question.Answer = true;
  { TZoIniFile2 store(Environment()); }
  Registry.SetValue(kAppKey, "x", RegistryDword(1));
  Question.Answer = false;
  TZoIniFile2 other(Environment("vemo2.exe"));
  EXPECT_EQ(Question.Asked, 2);
  EXPECT_EQ(other.Place(), spRegistry);
  EXPECT_TRUE(Registry.HasKey("\\Software\\Orvane\\vemo2"));
  EXPECT_FALSE(Exists(Folder / "vemo2.ini"));
}

TEST_F(ZoRegIniTest, MovingFromTheIniFileToTheRegistry) {
  WriteBytes(IniPath(), "[General]\r\nInterval=7\r\n");
  const TStorageEnvironment env = Environment();
  TZoIniFile2::MoveStorage(env, spRegistry);
  EXPECT_FALSE(Exists(IniPath()));
  EXPECT_TRUE(Registry.HasKey(kAppKey));
  EXPECT_TRUE(Registry.SubkeyNames(kAppKey).empty());
  TZoIniFile2 store(env);
  EXPECT_EQ(store.Place(), spRegistry);
  store.OpenSection("General", false);
  EXPECT_FALSE(store.HasSection());
  EXPECT_EQ(store.ReadInteger("Interval", 15), 15);  // settings are not copied
  EXPECT_EQ(Question.Asked, 0);
}

TEST_F(ZoRegIniTest, MovingFromTheRegistryToTheIniFileDeletesTheWholeKey) {
  Registry.SetValue(kAppKey, "top", RegistryDword(1));
  Registry.SetValue(kAppKey + "\\General", "Interval", RegistryDword(9));
  Registry.SetValue(kAppKey + "\\Folders\\Deeper\\Deepest", "x", RegistryString("y"));
  Registry.SetValue("\\Software\\Orvane\\Other", "keep", RegistryDword(2));
  const TStorageEnvironment env = Environment();
  TZoIniFile2::MoveStorage(env, spIniFile);
  EXPECT_FALSE(Registry.HasKey(kAppKey));
  EXPECT_TRUE(Registry.HasKey("\\Software\\Orvane\\Other"));
  ASSERT_TRUE(Exists(IniPath()));
  EXPECT_EQ(ReadBytes(IniPath()), "");
  TStoragePlace place = spRegistry;
  EXPECT_TRUE(TZoIniFile2::QueryStorage(env, place));
  EXPECT_EQ(place, spIniFile);
}

TEST_F(ZoRegIniTest, TheParentKeyStaysEvenWhenEmpty) {
  Registry.SetValue(kAppKey, "top", RegistryDword(1));
  TZoIniFile2::MoveStorage(Environment(), spIniFile);
  EXPECT_TRUE(Registry.HasKey("\\Software\\Orvane"));
  EXPECT_TRUE(Registry.SubkeyNames("\\Software\\Orvane").empty());
}

TEST_F(ZoRegIniTest, MovingToTheIniFileKeepsAnExistingFile) {
  const std::string old = "[General]\r\nInterval=7\r\n";
  WriteBytes(IniPath(), old);
  Registry.SetValue(kAppKey + "\\General", "Interval", RegistryDword(9));
  TZoIniFile2::MoveStorage(Environment(), spIniFile);
  EXPECT_FALSE(Registry.HasKey(kAppKey));
  EXPECT_EQ(ReadBytes(IniPath()), old);
}

TEST_F(ZoRegIniTest, MovingToThePlaceInUseOrWithoutAPlaceDoesNothing) {
  const TStorageEnvironment env = Environment();
  TZoIniFile2::MoveStorage(env, spIniFile);
  TZoIniFile2::MoveStorage(env, spRegistry);
  EXPECT_FALSE(Exists(IniPath()));
  EXPECT_FALSE(Registry.HasKey(kAppKey));
  EXPECT_FALSE(Registry.HasKey("\\Software\\Orvane"));

  WriteBytes(IniPath(), "[A]\r\nb=c\r\n");
  TZoIniFile2::MoveStorage(env, spIniFile);
  EXPECT_EQ(ReadBytes(IniPath()), "[A]\r\nb=c\r\n");
  EXPECT_FALSE(Registry.HasKey(kAppKey));
  EXPECT_EQ(Question.Asked, 0);
}

TEST_F(ZoRegIniTest, AnOldPlaceThatCannotBeDeletedStopsTheMove) {
  const TStorageEnvironment env = Environment();
  WriteBytes(IniPath(), "[A]\r\nb=c\r\n");
  Files.FailRemove = true;
  EXPECT_EQ(ErrorOf([&] { TZoIniFile2::MoveStorage(env, spRegistry); }),
            "古い形式の設定が削除できませんでした");
  EXPECT_TRUE(Exists(IniPath()));
  EXPECT_FALSE(Registry.HasKey(kAppKey));

  Files.FailRemove = false;
  std::filesystem::remove(FsPath(IniPath()));
  Registry.SetValue(kAppKey + "\\General", "Interval", RegistryDword(9));
  Registry.SetValue(kAppKey + "\\Folders", "Count", RegistryDword(0));
  Registry.Lock(kAppKey + "\\Folders");
  EXPECT_EQ(ErrorOf([&] { TZoIniFile2::MoveStorage(env, spIniFile); }),
            "古い形式の設定が削除できませんでした");
  EXPECT_FALSE(Exists(IniPath()));
  // What is left is found again.
  EXPECT_FALSE(Registry.HasKey(kAppKey + "\\General"));
  EXPECT_TRUE(Registry.HasKey(kAppKey + "\\Folders"));
  TStoragePlace place = spIniFile;
  EXPECT_TRUE(TZoIniFile2::QueryStorage(env, place));
  EXPECT_EQ(place, spRegistry);
}

TEST_F(ZoRegIniTest, IniWritesReachTheDiskOnlyThroughUpdateFile) {
  const std::string old = "; hand-made\r\n[General]\r\n  Interval = 7 \r\n\r\n[Mine]\r\nKeep=1\r\n";
  WriteBytes(IniPath(), old);
  const TStorageEnvironment env = Environment();
  {
    TZoIniFile2 store(env);
    store.OpenSection("General", true);
    store.WriteInteger("Interval", 30);
  }
  EXPECT_EQ(ReadBytes(IniPath()), old);
  TZoIniFile2 store(env);
  store.OpenSection("General", true);
  EXPECT_EQ(store.ReadInteger("Interval", 15), 7);
  store.WriteInteger("Interval", 30);
  store.OpenSection("Folders", true);
  store.WriteInteger("Count", 1);
  store.WriteString("0", "C:\\写真");
  store.UpdateFile();
  EXPECT_TRUE(store.HasSection());
  EXPECT_EQ(store.Section(), "");
  EXPECT_EQ(ReadBytes(IniPath()),
            "[General]\r\nInterval=30\r\n\r\n[Mine]\r\nKeep=1\r\n\r\n[Folders]\r\nCount=1\r\n0=" +
                Utf8ToCp932("C:\\写真") + "\r\n\r\n");
  EXPECT_FALSE(Exists(IniPath() + ".tmp"));
}

TEST_F(ZoRegIniTest, RegistryValuesAreDwordsAndWideStrings) {
  Question.Answer = false;
  TZoIniFile2 store(Environment());
  store.OpenSection("Folders", true);
  EXPECT_TRUE(store.HasSection());
  store.WriteInteger("Count", -2);
  store.WriteString("0", "C:\\写真");
  EXPECT_EQ(store.ReadInteger("Count", 0), -2);
  EXPECT_EQ(store.ReadString("0", ""), "C:\\写真");
  TRegistryValue value;
  ASSERT_TRUE(Registry.GetValue(kAppKey + "\\Folders", "Count", value));
  EXPECT_EQ(value.Type, uint32_t(rtDword));
  EXPECT_EQ(value.Data, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
  ASSERT_TRUE(Registry.GetValue(kAppKey + "\\Folders", "0", value));
  EXPECT_EQ(value.Type, uint32_t(rtString));
  // UTF-16LE with its terminating NUL: C : \ 写 真 NUL
  EXPECT_EQ(value.Data, (std::vector<uint8_t>{'C', 0, ':', 0, '\\', 0, 0x99, 0x51, 0x1F, 0x77, 0, 0}));
  store.UpdateFile();
  EXPECT_TRUE(store.HasSection());
  EXPECT_EQ(store.Section(), "");
}

TEST_F(ZoRegIniTest, OpeningAMissingRegistrySectionClearsTheCurrentSection) {
  Question.Answer = false;
  TZoIniFile2 store(Environment());
  store.OpenSection("General", true);
  store.WriteInteger("Interval", 20);
  store.OpenSection("Folders", false);
  EXPECT_FALSE(store.HasSection());
  EXPECT_EQ(store.Section(), "");
  EXPECT_EQ(store.ReadInteger("Interval", 15), 15);
  EXPECT_EQ(store.ReadString("Interval", "d"), "d");
  EXPECT_EQ(ErrorOf([&] { store.WriteInteger("Count", 1); }), kNoSection);
  EXPECT_EQ(ErrorOf([&] { store.WriteString("0", "x"); }), kNoSection);
  EXPECT_FALSE(Registry.HasKey(kAppKey + "\\Folders"));
}

TEST_F(ZoRegIniTest, WritingWithoutASectionFailsInBothPlaces) {
  for (bool ini : {true, false}) {
    TScratchFolder folder;
    TMemoryRegistry registry;
    Question.Answer = ini;
    const TStorageEnvironment env(folder / "vemo.exe", registry.Factory(), Files, Question);
    TZoIniFile2 store(env);
    EXPECT_EQ(ErrorOf([&] { store.WriteInteger("Interval", 1); }), kNoSection);
    EXPECT_EQ(ErrorOf([&] { store.WriteString("x", "y"); }), kNoSection);
    // Reads need no section.
    EXPECT_EQ(store.ReadInteger("Interval", 4), 4);
  }
}

TEST_F(ZoRegIniTest, IniSectionsOpenForAnyNameAndExistOnlyWithValues) {
  WriteBytes(IniPath(), "[Folders]\r\n[General]\r\nInterval=5\r\n");
  TZoIniFile2 store(Environment());
  store.OpenSection("Nowhere", false);
  EXPECT_TRUE(store.HasSection());
  EXPECT_EQ(store.Section(), "Nowhere");
  for (const char* current : {"General", "Folders", "Nowhere"}) {
    store.OpenSection(current, false);
    EXPECT_FALSE(store.SectionExists("Folders"));
    EXPECT_TRUE(store.SectionExists("General"));
  }
}

TEST_F(ZoRegIniTest, AnEmptyRegistrySectionExists) {
  Registry.SetValue(kAppKey + "\\General", "Interval", RegistryDword(5));
  TZoIniFile2 store(Environment());
  EXPECT_FALSE(store.SectionExists("Folders"));
  store.OpenSection("Folders", true);
  for (const char* current : {"General", "Folders", "Nowhere"}) {
    store.OpenSection(current, false);
    EXPECT_TRUE(store.SectionExists("Folders"));
    EXPECT_TRUE(store.SectionExists("General"));
    EXPECT_FALSE(store.SectionExists("Nowhere"));
  }
}

TEST_F(ZoRegIniTest, RegistryValuesOfTheWrongTypeAreErrors) {
  const std::string general = kAppKey + "\\General";
  Registry.SetValue(general, "Text", RegistryString("15"));
  Registry.SetValue(general, "Expand", RegistryString("%TEMP%\\x", rtExpandString));
  Registry.SetValue(general, "Number", RegistryDword(15));
  TRegistryValue binary;
  binary.Type = rtBinary;
  binary.Data = {1, 2, 3, 4};
  Registry.SetValue(general, "Binary", binary);
  TRegistryValue shortDword;
  shortDword.Type = rtDword;
  shortDword.Data = {1, 2};
  Registry.SetValue(general, "Short", shortDword);
  TRegistryValue unterminated;
  unterminated.Type = rtString;
  unterminated.Data = {'a', 0, 'b', 0, 'c'};  // no NUL, an odd byte left over
  Registry.SetValue(general, "Unterminated", unterminated);
  TRegistryValue qword;
  qword.Type = rtQword;
  qword.Data = {1, 0, 0, 0, 0, 0, 0, 0};
  Registry.SetValue(general, "Qword", qword);

  TZoIniFile2 store(Environment());
  store.OpenSection("General", false);
  EXPECT_EQ(ErrorOf([&] { store.ReadInteger("Text", 0); }), "'Text' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { store.ReadInteger("Binary", 0); }), "'Binary' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { store.ReadInteger("Short", 0); }), "'Short' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { store.ReadInteger("Qword", 0); }), "'Qword' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { store.ReadString("Number", ""); }), "'Number' のデータ型が不正です");
  EXPECT_EQ(ErrorOf([&] { store.ReadString("Binary", ""); }), "'Binary' のデータ型が不正です");
  EXPECT_EQ(store.ReadInteger("Number", 0), 15);
  EXPECT_EQ(store.ReadString("Text", ""), "15");
  EXPECT_EQ(store.ReadString("Expand", ""), "%TEMP%\\x");  // not expanded
  EXPECT_EQ(store.ReadString("Unterminated", ""), "ab");
  EXPECT_EQ(store.ReadString("Missing", "d"), "d");
}

TEST_F(ZoRegIniTest, AKeyThatCannotBeCreatedIsAnError) {
  Question.Answer = false;
  Registry.Lock("\\Software\\Orvane");
  EXPECT_EQ(ErrorOf([&] { TZoIniFile2 store(Environment()); }),
            "キー \\Software\\Orvane\\vemo の作成に失敗しました");
  EXPECT_EQ(ErrorOf([&] { TZoIniFile2::CreateStorage(Environment(), spRegistry); }),
            "キー \\Software\\Orvane\\vemo の作成に失敗しました");
}

TEST_F(ZoRegIniTest, AValueThatCannotBeSetIsAnError) {
  Registry.SetValue(kAppKey + "\\General", "Interval", RegistryDword(5));
  const TStorageEnvironment env(
      Folder / "vemo.exe", [this] { return std::make_unique<TWriteRefusingRegistry>(Registry.NewAccess()); },
      Files, Question);
  TZoIniFile2 store(env);
  store.OpenSection("General", true);
  EXPECT_EQ(ErrorOf([&] { store.WriteInteger("Interval", 1); }), "'Interval' の設定に失敗しました");
  EXPECT_EQ(ErrorOf([&] { store.WriteString("Name", "x"); }), "'Name' の設定に失敗しました");
  EXPECT_EQ(store.ReadInteger("Interval", 0), 5);
}

TEST_F(ZoRegIniTest, TheEmptyIniFileThatCannotBeCreatedNamesTheSystemError) {
  const std::pair<int, const char*> cases[] = {
      {5, "ファイルへのアクセスが拒否されました"},
      {2, "ファイルが見つかりません"},
      {3, "不正なファイル名です"},
      {4, "オープンしたファイルが多すぎます"},
      {32, "I/O エラー (32)"},
  };
  Question.Answer = true;
  for (const auto& [code, text] : cases) {
    Files.CreateError = code;
    EXPECT_EQ(ErrorOf([&] { TZoIniFile2 store(Environment()); }), text);
    EXPECT_FALSE(Exists(IniPath()));
  }
  // A real failure: the folder beside the executable is missing.
  Files.CreateError = 0;
  const TStorageEnvironment missing(Folder / "gone/vemo.exe", Registry.Factory(), Files, Question);
  EXPECT_EQ(ErrorOf([&] { TZoIniFile2 store(missing); }), "不正なファイル名です");
}

TEST_F(ZoRegIniTest, AnIniFileThatCannotBeWrittenIsLeftWhole) {
  const std::string old = "[General]\r\nInterval=7\r\n";
  WriteBytes(IniPath(), old);
  TZoIniFile2 store(Environment());
  store.OpenSection("General", true);
  store.WriteInteger("Interval", 30);
  Files.FailWrite = true;
  EXPECT_EQ(ErrorOf([&] { store.UpdateFile(); }), "ファイル " + IniPath() + " を作成できません");
  EXPECT_EQ(ReadBytes(IniPath()), old);
  Files.FailWrite = false;
  store.UpdateFile();
  EXPECT_EQ(ReadBytes(IniPath()), "[General]\r\nInterval=30\r\n\r\n");
}

TEST_F(ZoRegIniTest, TextCodePage932CannotHoldFailsTheSaveBeforeTheFileIsTouched) {
  const std::string old = "[Folders]\r\nCount=0\r\n";
  WriteBytes(IniPath(), old);
  TZoIniFile2 store(Environment());
  store.OpenSection("Folders", true);
  store.WriteString("0", "C:\\Ph\xF0\x9F\x98\x80tos");
  const std::string error = ErrorOf([&] { store.UpdateFile(); });
  EXPECT_NE(error.find("C:\\Ph\xF0\x9F\x98\x80tos"), std::string::npos) << error;
  EXPECT_EQ(Files.Writes, 0);
  EXPECT_EQ(ReadBytes(IniPath()), old);
}

TEST_F(ZoRegIniTest, DamagedIniFilesLoad) {
  std::string garbage =
      "\xFF\xFE[Gen\x82]\r\n=\r\n[General\r\n[General]\r\nInterval=12\r\n\x00\x01\x85\x40junk";
  garbage += std::string("\0\0\0", 3) + "\r\n[Folders]\n0=C:\\\x82";  // no final line break
  WriteBytes(IniPath(), garbage);
  TZoIniFile2 store(Environment());
  store.OpenSection("General", false);
  EXPECT_EQ(store.ReadInteger("Interval", 15), 12);
  store.OpenSection("Folders", false);
  EXPECT_EQ(store.ReadString("0", ""), "C:\\\xEF\xBF\xBD");
}

TEST_F(ZoRegIniTest, AHugeIniFileIsRefusedAndLeftAlone) {
  {
    std::string big(kMaxIniFileSize + 1, 'x');
    big.replace(0, 11, "[General]\r\n");
    WriteBytes(IniPath(), big);
  }
  const std::string error = ErrorOf([&] { TZoIniFile2 store(Environment()); });
  EXPECT_EQ(error, "ファイル " + IniPath() + " は大きすぎるため読み込めません");
  TPortableFileSystem files;
  std::string data;
  EXPECT_EQ(files.ReadWholeFile(IniPath(), kMaxIniFileSize + 1, data), frRead);
  EXPECT_EQ(data.size(), kMaxIniFileSize + 1);
  // A large file within the limit loads.
  std::string large = "[General]\r\nInterval=33\r\n";
  while (large.size() < kMaxIniFileSize - 100) large += "Filler=0123456789012345678901234567890123456789\r\n";
  WriteBytes(IniPath(), large);
  TZoIniFile2 store(Environment());
  store.OpenSection("General", false);
  EXPECT_EQ(store.ReadInteger("Interval", 15), 33);
}

TEST(PortableFileSystem, ReadsReplacesAndReportsFailures) {
  TScratchFolder folder;
  TPortableFileSystem files;
  const std::string path = folder / "a.ini";
  std::string data = "left over";
  EXPECT_EQ(files.ReadWholeFile(path, 100, data), frMissing);
  EXPECT_EQ(data, "");
  EXPECT_FALSE(files.FileExists(path));
  EXPECT_EQ(files.CreateEmptyFile(path), 0);
  EXPECT_TRUE(files.FileExists(path));
  EXPECT_EQ(files.ReadWholeFile(path, 100, data), frRead);
  EXPECT_EQ(data, "");
  ASSERT_TRUE(files.WriteFileAtomically(path, std::string("new\0bytes", 9)));
  EXPECT_EQ(files.ReadWholeFile(path, 9, data), frRead);
  EXPECT_EQ(data, std::string("new\0bytes", 9));
  EXPECT_EQ(files.ReadWholeFile(path, 8, data), frTooLarge);
  EXPECT_FALSE(files.FileExists(folder / ""));  // a folder is no file
  EXPECT_EQ(files.ReadWholeFile(folder / "", 100, data), frFailed);
  EXPECT_TRUE(files.RemoveFile(path));
  EXPECT_FALSE(files.RemoveFile(path));
  EXPECT_NE(files.CreateEmptyFile(folder / "no/such/folder.ini"), 0);
  // Non-ASCII names work.
  const std::string japanese = folder / "設定.ini";
  ASSERT_TRUE(files.WriteFileAtomically(japanese, "x"));
  EXPECT_TRUE(files.FileExists(japanese));
  // A user's files named like a temporary one stay as they are.
  WriteBytes(japanese + ".tmp", "mine");
  WriteBytes(japanese + ".~0.tmp", "mine too");
  ASSERT_TRUE(files.WriteFileAtomically(japanese, "y"));
  EXPECT_EQ(ReadBytes(japanese), "y");
  EXPECT_EQ(ReadBytes(japanese + ".tmp"), "mine");
  EXPECT_EQ(ReadBytes(japanese + ".~0.tmp"), "mine too");
}

TEST(PortableFileSystem, ALinkStaysALinkAndItsTargetIsReplaced) {
  TScratchFolder folder;
  TPortableFileSystem files;
  const std::string real = folder / "real.ini", link = folder / "a.ini";
  WriteBytes(real, "old");
  std::error_code error;
  std::filesystem::create_symlink(FsPath(real), FsPath(link), error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  ASSERT_TRUE(files.WriteFileAtomically(link, "new"));
  EXPECT_EQ(ReadBytes(real), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(FsPath(link)));
}
