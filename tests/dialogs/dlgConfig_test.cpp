#include "dialogs/dlgConfig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/ZoShell.h"

namespace {

using testing::ElementsAre;

// A sorted list box as Windows keeps one: letter case ignored when placing.
class TFakeListBox : public TSortedListBox {
public:
  std::vector<std::string> Entries;
  int32_t Selected = -1;

  void Clear() override {
    Entries.clear();
    Selected = -1;
  }
  int32_t Add(const std::string& text) override {
    auto lower = [](std::string s) {
      for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
      return s;
    };
    auto at =
        std::upper_bound(Entries.begin(), Entries.end(), text,
                         [&](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
    return int32_t(Entries.insert(at, text) - Entries.begin());
  }
  int32_t Count() override { return int32_t(Entries.size()); }
  std::string Items(int32_t index) override { return Entries.at(size_t(index)); }
  int32_t ItemIndex() override { return Selected; }
  void SetItemIndex(int32_t index) override { Selected = index < Count() ? index : -1; }
};

struct TBrowseCall {
  std::string Title;
  int Root;
  int StartCsidl;
  std::string StartPath;
  uint32_t Flags;
};

class TFakeConfigUi : public TConfigDialogUi {
public:
  TConfigDialog* Dialog = nullptr;
  std::string Caption;
  TFakeListBox List;
  int32_t ShownPosition = -1;
  std::string EditText;
  std::string Separator = ",";
  bool Ini = false, Registry = false, OnlineOnly = false;
  std::vector<std::string> Hidden;
  std::vector<int32_t> HiddenSelected;
  std::vector<std::pair<std::string, TMsgDlgType>> Boxes;
  std::vector<std::string> Opened;
  std::vector<TBrowseCall> Browses;
  std::deque<std::string> BrowseAnswers;  // an empty answer: cancelled
  // What the user does while the dialog is open; returns the modal result.
  std::function<int32_t(TConfigDialog&)> User = [](TConfigDialog&) { return kModalResultOk; };

  void SetDialog(TConfigDialog* dialog) override { Dialog = dialog; }
  void SetCaption(const std::string& caption) override { Caption = caption; }
  TSortedListBox& lstFolders() override { return List; }
  void ShowInterval(int32_t position, const std::string& text) override {
    ShownPosition = position;
    EditText = text;
    // The real edit reports its new text back, as every change of it does.
    if (Dialog) Dialog->Edit1Change(text);
  }
  std::string ThousandsSeparator() override { return Separator; }
  bool IniChecked() override { return Ini; }
  void SetIniChecked(bool checked) override {
    Ini = checked;
    if (checked) Registry = false;
  }
  bool RegistryChecked() override { return Registry; }
  void SetRegistryChecked(bool checked) override {
    Registry = checked;
    if (checked) Ini = false;
  }
  bool OnlineOnlyChecked() override { return OnlineOnly; }
  void SetOnlineOnlyChecked(bool checked) override { OnlineOnly = checked; }
  void ShowHidden(const std::vector<std::string>& paths) override { Hidden = paths; }
  std::vector<int32_t> SelectedHidden() override { return HiddenSelected; }
  int32_t ShowModal() override { return User(*Dialog); }
  bool BrowseForFolder(const std::string& title, int rootCsidl, const TBrowseStart& start, uint32_t flags,
                       std::string& path) override {
    Browses.push_back({title, rootCsidl, start.Csidl, start.Path, flags});
    path.clear();
    if (BrowseAnswers.empty()) return false;
    path = BrowseAnswers.front();
    BrowseAnswers.pop_front();
    return !path.empty();
  }
  void ShellOpen(const std::string& path) override { Opened.push_back(path); }
  void MessageBox(const std::string& text, TMsgDlgType type) override { Boxes.push_back({text, type}); }
  // The user types text into the edit.
  void Type(const std::string& text) {
    EditText = text;
    Dialog->Edit1Change(text);
  }
  // An arrow of the up-down control: it writes its position into its buddy
  // edit, with the separator, and the edit reports the change.
  void Spin(int32_t position) { Type(TConfigDialog::FormatPosition(position, Separator)); }
};

std::vector<std::string> ItemsOf(const TFolderList& list) {
  std::vector<std::string> items;
  for (int32_t i = 0; i < list.Count(); ++i) items.push_back(list.Items(i));
  return items;
}

class ConfigDialogTest : public testing::Test {
protected:
  void SetUp() override {
    Folders.Add("C:\\B");
    Folders.Add("C:\\A");
  }
  // Runs the dialog; actions are what the user does while it is open.
  TConfigChanges Run(std::function<int32_t(TConfigDialog&)> actions) {
    Ui.User = std::move(actions);
    return Adopt(TConfigDialog::ShowConfigDialog(Ui, "Kobaru", Given()));
  }
  TConfigDialogParams Given() const {
    TConfigDialogParams params;
    params.Settings.Interval = Interval;
    params.Settings.Folders.Assign(Folders);
    params.Settings.Storage = Storage;
    params.Settings.Hidden = Hidden;
    params.Settings.OnlineOnly = OnlineOnly;
    return params;
  }
  // As a caller does: the values handed back become its own.
  TConfigChanges Adopt(const TConfigDialogResult& result) {
    Interval = result.Settings.Interval;
    Folders.Assign(result.Settings.Folders);
    Storage = result.Settings.Storage;
    Hidden = result.Settings.Hidden;
    OnlineOnly = result.Settings.OnlineOnly;
    return result.Changes;
  }

  TFakeConfigUi Ui;
  uint16_t Interval = 15;
  TFolderList Folders;
  TStoragePlace Storage = spIniFile;
  std::vector<std::string> Hidden = {"C:\\p\\1.jpg", "C:\\p\\2.jpg", "C:\\p\\3.jpg"};
  bool OnlineOnly = false;
};

int32_t Ok(TConfigDialog&) { return kModalResultOk; }

TEST_F(ConfigDialogTest, OpensWithTheCallersValuesAndNoSelection) {
  Run([this](TConfigDialog& dialog) {
    EXPECT_EQ(Ui.Caption, "Kobaruの設定");
    EXPECT_EQ(dialog.Position(), 15);
    EXPECT_EQ(Ui.EditText, "15");
    EXPECT_THAT(Ui.List.Entries, ElementsAre("C:\\A", "C:\\B"));
    EXPECT_EQ(Ui.List.Selected, -1);
    EXPECT_THAT(ItemsOf(dialog.WorkFolders()), ElementsAre("C:\\B", "C:\\A"));
    EXPECT_TRUE(Ui.Ini);
    EXPECT_FALSE(Ui.Registry);
    return kModalResultCancel;
  });
  EXPECT_EQ(Ui.Dialog, nullptr) << "the window must forget the freed dialog";
}

TEST_F(ConfigDialogTest, StorageChecksTheMatchingButtonOnlyForItsTwoValues) {
  Storage = spRegistry;
  Run([this](TConfigDialog&) {
    EXPECT_TRUE(Ui.Registry);
    EXPECT_FALSE(Ui.Ini);
    return kModalResultCancel;
  });
  Ui.Ini = Ui.Registry = false;
  Storage = TStoragePlace(7);
  Run([this](TConfigDialog&) {
    EXPECT_FALSE(Ui.Registry);
    EXPECT_FALSE(Ui.Ini);
    return kModalResultCancel;
  });
}

TEST_F(ConfigDialogTest, OkWithoutChangesReturnsTheEmptySetAndLeavesTheRecord) {
  EXPECT_EQ(Run(Ok), 0);
  EXPECT_EQ(Interval, 15);
  EXPECT_THAT(ItemsOf(Folders), ElementsAre("C:\\B", "C:\\A"));
  EXPECT_EQ(Storage, spIniFile);
}

TEST_F(ConfigDialogTest, CancelAfterEditingWritesNothingBack) {
  Ui.BrowseAnswers = {"D:\\New"};
  const TConfigChanges changes = Run([this](TConfigDialog& dialog) {
    dialog.btnAddClick();
    Ui.List.Selected = 0;
    dialog.btnDeleteClick();
    Ui.Type("60");
    Ui.SetRegistryChecked(true);
    EXPECT_EQ(dialog.WorkFolders().Count(), 2);
    return kModalResultCancel;
  });
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Interval, 15);
  EXPECT_THAT(ItemsOf(Folders), ElementsAre("C:\\B", "C:\\A"));
  EXPECT_EQ(Storage, spIniFile);
}

TEST_F(ConfigDialogTest, EachChangeSetsItsOwnFlagAndWritesItsValue) {
  Ui.BrowseAnswers = {"D:\\New"};
  EXPECT_EQ(Run([this](TConfigDialog&) {
              Ui.Type("60");
              return kModalResultOk;
            }),
            ccInterval);
  EXPECT_EQ(Interval, 60);

  EXPECT_EQ(Run([](TConfigDialog& dialog) {
              dialog.btnAddClick();
              return kModalResultOk;
            }),
            ccFolders);
  EXPECT_THAT(ItemsOf(Folders), ElementsAre("C:\\B", "C:\\A", "D:\\New"));

  EXPECT_EQ(Run([this](TConfigDialog&) {
              Ui.SetRegistryChecked(true);
              return kModalResultOk;
            }),
            ccStorage);
  EXPECT_EQ(Storage, spRegistry);

  // Back to the INI file, with everything else changed as well.
  Ui.BrowseAnswers = {"E:\\Other"};
  EXPECT_EQ(Run([this](TConfigDialog& dialog) {
              Ui.Type("3600");
              dialog.btnAddClick();
              Ui.SetIniChecked(true);
              return kModalResultOk;
            }),
            ccInterval | ccFolders | ccStorage);
  EXPECT_EQ(Interval, 3600);
  EXPECT_EQ(Storage, spIniFile);
  EXPECT_EQ(Folders.Count(), 4);

  // The Pictures page: the list as given, Show again for several at once.
  EXPECT_EQ(Run([this](TConfigDialog& dialog) {
              EXPECT_EQ(Ui.Hidden, Hidden);
              Ui.HiddenSelected = {2, 0};
              dialog.btnShowAgainClick();
              Ui.OnlineOnly = true;
              return kModalResultOk;
            }),
            ccPictures);
  EXPECT_THAT(Hidden, ElementsAre("C:\\p\\2.jpg"));
  EXPECT_TRUE(OnlineOnly);
}

TEST_F(ConfigDialogTest, ChoosingTheCurrentPlaceAgainIsNoChange) {
  Storage = spRegistry;
  EXPECT_EQ(Run([this](TConfigDialog&) {
              Ui.SetIniChecked(true);
              Ui.SetRegistryChecked(true);
              return kModalResultOk;
            }),
            0);
  EXPECT_EQ(Storage, spRegistry);
}

TEST_F(ConfigDialogTest, DeletingAndAddingTheSameFolderAgainIsNoChange) {
  Ui.BrowseAnswers = {"c:\\a"};
  EXPECT_EQ(Run([this](TConfigDialog& dialog) {
              Ui.List.Selected = 0;  // C:\A
              dialog.btnDeleteClick();
              dialog.btnAddClick();
              EXPECT_THAT(ItemsOf(dialog.WorkFolders()), ElementsAre("C:\\B", "c:\\a"));
              return kModalResultOk;
            }),
            0);
  EXPECT_THAT(ItemsOf(Folders), ElementsAre("C:\\B", "C:\\A"));
}

TEST_F(ConfigDialogTest, DeleteRemovesTheSelectedFolderAndKeepsThePosition) {
  Run([this](TConfigDialog& dialog) {
    Ui.List.Selected = 0;  // C:\A, the second entry of the working list
    dialog.btnDeleteClick();
    EXPECT_THAT(ItemsOf(dialog.WorkFolders()), ElementsAre("C:\\B"));
    EXPECT_THAT(Ui.List.Entries, ElementsAre("C:\\B"));
    EXPECT_EQ(Ui.List.Selected, 0);
    EXPECT_TRUE(Ui.Boxes.empty()) << "no confirmation";
    // The last entry selected: the selection moves to the new last one.
    dialog.btnDeleteClick();
    EXPECT_EQ(dialog.WorkFolders().Count(), 0);
    EXPECT_EQ(Ui.List.Selected, -1);
    return kModalResultOk;
  });
}

TEST_F(ConfigDialogTest, RefreshSelectsTheLastEntryWhenThePositionIsGone) {
  Folders.Add("C:\\C");
  Run([this](TConfigDialog& dialog) {
    Ui.List.Selected = 2;  // C:\C
    dialog.btnDeleteClick();
    EXPECT_THAT(Ui.List.Entries, ElementsAre("C:\\A", "C:\\B"));
    EXPECT_EQ(Ui.List.Selected, 1);
    return kModalResultOk;
  });
}

TEST_F(ConfigDialogTest, NothingSelectedMakesDeleteAndOpenDoNothing) {
  Folders.Clear();
  EXPECT_EQ(Run([this](TConfigDialog& dialog) {
              dialog.btnDeleteClick();
              dialog.btnOpenClick();
              dialog.lstFoldersDblClick();
              return kModalResultOk;
            }),
            0);
  EXPECT_TRUE(Ui.Opened.empty());
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(ConfigDialogTest, OpenAndDoubleClickOpenTheSelectedFolder) {
  Run([this](TConfigDialog& dialog) {
    Ui.List.Selected = 1;
    dialog.btnOpenClick();
    dialog.lstFoldersDblClick();
    return kModalResultOk;
  });
  EXPECT_THAT(Ui.Opened, ElementsAre("C:\\B", "C:\\B"));
}

TEST_F(ConfigDialogTest, AddBrowsesFromTheSelectionOrTheDocumentsFolder) {
  Ui.BrowseAnswers = {"", "D:\\X"};
  Run([this](TConfigDialog& dialog) {
    dialog.btnAddClick();  // cancelled
    EXPECT_EQ(dialog.WorkFolders().Count(), 2);
    Ui.List.Selected = 1;
    dialog.btnAddClick();
    return kModalResultOk;
  });
  ASSERT_EQ(Ui.Browses.size(), 2u);
  EXPECT_EQ(Ui.Browses[0].Title, "画像を含むフォルダを指定して下さい。");
  EXPECT_EQ(Ui.Browses[0].Root, kCsidlDesktop);
  EXPECT_EQ(Ui.Browses[0].Flags, 5u);
  EXPECT_EQ(Ui.Browses[0].StartPath, "");
  EXPECT_EQ(Ui.Browses[0].StartCsidl, kCsidlPersonal);
  EXPECT_EQ(Ui.Browses[1].StartPath, "C:\\B");
  // The new folder sorts last; the selection stayed at position 1.
  EXPECT_THAT(Ui.List.Entries, ElementsAre("C:\\A", "C:\\B", "D:\\X"));
  EXPECT_EQ(Ui.List.Selected, 1);
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(ConfigDialogTest, AddingAFolderAgainInAnotherCaseIsRefusedWithTheErrorBox) {
  Ui.BrowseAnswers = {"c:\\b"};
  EXPECT_EQ(Run([](TConfigDialog& dialog) {
              dialog.btnAddClick();
              EXPECT_EQ(dialog.WorkFolders().Count(), 2);
              return kModalResultOk;
            }),
            0);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].first, "選択されたフォルダは既に登録されています。");
  EXPECT_EQ(Ui.Boxes[0].second, mtError);
}

TEST_F(ConfigDialogTest, ADropRegistersWhatItCanAndWarnsOnce) {
  const TConfigChanges changes = Run([this](TConfigDialog& dialog) {
    dialog.FilesDropped({"D:\\One", "C:\\A", "D:\\Two", "c:\\b", "D:\\pic.jpg"});
    EXPECT_THAT(ItemsOf(dialog.WorkFolders()),
                ElementsAre("C:\\B", "C:\\A", "D:\\One", "D:\\Two", "D:\\pic.jpg"));
    EXPECT_THAT(Ui.List.Entries, ElementsAre("C:\\A", "C:\\B", "D:\\One", "D:\\pic.jpg", "D:\\Two"));
    EXPECT_EQ(Ui.List.Selected, -1) << "nothing was selected, and nothing is";
    return kModalResultOk;
  });
  EXPECT_EQ(changes, ccFolders);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].first, "既に登録済みのため、登録できないフォルダがありました。");
  EXPECT_EQ(Ui.Boxes[0].second, mtWarning);
  Ui.Boxes.clear();
  Run([](TConfigDialog& dialog) {
    dialog.FilesDropped({"F:\\Fresh"});
    return kModalResultOk;
  });
  EXPECT_TRUE(Ui.Boxes.empty()) << "a drop with nothing refused warns not";
}

TEST_F(ConfigDialogTest, TheEditClampsToTheRangeAndIgnoresWhatIsNoNumber) {
  const TConfigChanges changes = Run([this](TConfigDialog& dialog) {
    Ui.Type("5000");
    EXPECT_EQ(dialog.Position(), 3600);
    EXPECT_EQ(Ui.EditText, "3,600");
    Ui.Type("0");
    EXPECT_EQ(dialog.Position(), 3);
    EXPECT_EQ(Ui.EditText, "3");
    Ui.Type("120");
    EXPECT_EQ(dialog.Position(), 120);
    EXPECT_EQ(Ui.EditText, "120");
    Ui.Type("abc");
    EXPECT_EQ(dialog.Position(), 120);
    EXPECT_EQ(Ui.EditText, "120");
    Ui.Type("");
    EXPECT_EQ(dialog.Position(), 120);
    Ui.Type("-7");
    EXPECT_EQ(dialog.Position(), 3);
    Ui.Type("99999999999999999999");
    EXPECT_EQ(dialog.Position(), 3600);
    Ui.Type("1,200");
    EXPECT_EQ(dialog.Position(), 1200);
    Ui.Type("1,5");
    EXPECT_EQ(dialog.Position(), 1200) << "a separator out of its place is no number";
    EXPECT_EQ(Ui.EditText, "1,200");
    Ui.Type("1,2,0,0");
    EXPECT_EQ(dialog.Position(), 1200);
    Ui.Type("1,,200");
    EXPECT_EQ(dialog.Position(), 1200) << "a doubled separator is no number";
    Ui.Type("3600");
    return kModalResultOk;
  });
  EXPECT_EQ(changes, ccInterval);
  EXPECT_EQ(Interval, 3600);
}

TEST_F(ConfigDialogTest, AnIntervalOutsideTheRangeIsShownAsTheBoundAndReportedOnOk) {
  Interval = 1;
  EXPECT_EQ(Run([this](TConfigDialog& dialog) {
              EXPECT_EQ(dialog.Position(), 3);
              EXPECT_EQ(Ui.ShownPosition, 3);
              return kModalResultOk;
            }),
            ccInterval);
  EXPECT_EQ(Interval, 3);
}

TEST_F(ConfigDialogTest, TheUpDownStepsThroughTheDialog) {
  EXPECT_EQ(Run([this](TConfigDialog& dialog) {
              Ui.Spin(16);
              EXPECT_EQ(Ui.EditText, "16");
              Ui.Spin(4000);
              EXPECT_EQ(dialog.Position(), 3600);
              return kModalResultOk;
            }),
            ccInterval);
  EXPECT_EQ(Interval, 3600);
}

TEST(ConfigDialogText, PositionsAreShownWithTheSeparatorFromAThousandOn) {
  EXPECT_EQ(TConfigDialog::FormatPosition(3, ","), "3");
  EXPECT_EQ(TConfigDialog::FormatPosition(999, ","), "999");
  EXPECT_EQ(TConfigDialog::FormatPosition(1000, ","), "1,000");
  EXPECT_EQ(TConfigDialog::FormatPosition(3600, "."), "3.600");
  EXPECT_EQ(TConfigDialog::FormatPosition(1234567, "'"), "1'234'567");
  EXPECT_EQ(TConfigDialog::FormatPosition(1500, ""), "1500");
  int64_t value = 0;
  EXPECT_TRUE(TConfigDialog::ParseWholeNumber(" 42 ", ",", value));
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(TConfigDialog::ParseWholeNumber("3.600", ".", value));
  EXPECT_EQ(value, 3600);
  EXPECT_FALSE(TConfigDialog::ParseWholeNumber(",5", ",", value));
  EXPECT_FALSE(TConfigDialog::ParseWholeNumber("5,", ",", value));
  EXPECT_FALSE(TConfigDialog::ParseWholeNumber("-", ",", value));
  EXPECT_FALSE(TConfigDialog::ParseWholeNumber("1 2", ",", value));
  EXPECT_TRUE(TConfigDialog::ParseWholeNumber("1,234,567", ",", value));
  EXPECT_EQ(value, 1234567);
  EXPECT_TRUE(TConfigDialog::ParseWholeNumber("3600", ",", value));
  EXPECT_EQ(value, 3600);
  // Separators anywhere but between thousands make no number.
  for (const char* text : {"1,5", "1,2,0,0", "12,00", "1,0000", "1234,567", "1,,000"})
    EXPECT_FALSE(TConfigDialog::ParseWholeNumber(text, ",", value)) << text;
}

}  // namespace
