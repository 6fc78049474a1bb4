// The configuration dialog: the seconds each picture stands, the picture
// folders and where the settings are kept. It works on its own copy of the
// settings and hands back the values chosen and which of them changed.
//
// TConfigDialog holds the dialog's behaviour. The window it runs in (a
// resource template in the Windows build, a fake in the portable tests) is
// reached through TConfigDialogUi, and tells the dialog of the user's actions
// through the published handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Texts.h"
#include "picture/FolderList.h"
#include "settings/Settings.h"

// What the caller hands in: the settings the dialog starts from.
struct TConfigDialogParams {
  TSettings Settings;
};

// What the dialog hands back: the settings as the user left them (those it
// was given when the user cancelled) and which of them changed.
struct TConfigDialogResult {
  TConfigChanges Changes = 0;
  TSettings Settings;
};

inline constexpr int32_t kModalResultOk = 1;
inline constexpr int32_t kModalResultCancel = 2;

// Texts of the dialog.
inline constexpr TText kBrowseFolderTitle{IDS_BROWSE_FOLDER_TITLE};
inline constexpr TText kFolderAlreadyRegisteredText{IDS_FOLDER_ALREADY_REGISTERED};
inline constexpr TText kSomeDropsRefusedText{IDS_SOME_DROPS_REFUSED};

// A list box that keeps its entries sorted itself (as a sorted Windows list
// box does): Add puts a string in its sorted place and says where.
class TSortedListBox {
public:
  virtual ~TSortedListBox() = default;
  virtual void Clear() = 0;
  virtual int32_t Add(const std::string& text) = 0;
  virtual int32_t Count() = 0;
  virtual std::string Items(int32_t index) = 0;
  // -1 when nothing is selected.
  virtual int32_t ItemIndex() = 0;
  virtual void SetItemIndex(int32_t index) = 0;
};

// The initial selection of the folder browser: a special folder, or a path.
struct TBrowseStart {
  int Csidl = 0;
  std::string Path;  // used when not empty
};

// The dialog's window and the services it uses.
class TConfigDialog;

class TConfigDialogUi {
public:
  virtual ~TConfigDialogUi() = default;
  // The dialog whose handlers the window's events go to from now on; null
  // when it is gone.
  virtual void SetDialog(TConfigDialog* dialog) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual TSortedListBox& lstFolders() = 0;
  // The up-down control's position, and the edit's text showing it.
  virtual void ShowInterval(int32_t position, const std::string& text) = 0;
  // The separator the up-down control puts between thousands.
  virtual std::string ThousandsSeparator() = 0;
  virtual bool IniChecked() = 0;
  virtual void SetIniChecked(bool checked) = 0;
  virtual bool RegistryChecked() = 0;
  virtual void SetRegistryChecked(bool checked) = 0;
  // The Pictures page: the online-only choice, and the hidden pictures in
  // the order they were hidden, of which the user may select several.
  virtual bool OnlineOnlyChecked() = 0;
  virtual void SetOnlineOnlyChecked(bool checked) = 0;
  virtual void ShowHidden(const std::vector<std::string>& paths) = 0;
  virtual std::vector<int32_t> SelectedHidden() = 0;
  // Runs the dialog modally; returns the modal result.
  virtual int32_t ShowModal() = 0;
  // The shell's folder browser; true and the folder when the user chose one.
  virtual bool BrowseForFolder(const std::string& title, int rootCsidl, const TBrowseStart& start,
                               uint32_t flags, std::string& path) = 0;
  // Opens a folder in the shell ("open" verb); failures are not reported.
  virtual void ShellOpen(const std::string& path) = 0;
  virtual void MessageBox(const std::string& text, TMsgDlgType type) = 0;
};

class TConfigDialog {
public:
  // Runs FormCreate.
  TConfigDialog(TConfigDialogUi& ui, const std::string& applicationTitle);
  // Runs FormDestroy.
  ~TConfigDialog();
  TConfigDialog(const TConfigDialog&) = delete;
  TConfigDialog& operator=(const TConfigDialog&) = delete;

  // Creates the dialog in ui, shows it modally and returns the settings
  // chosen; they differ from those given only when the user pressed OK.
  static TConfigDialogResult ShowConfigDialog(TConfigDialogUi& ui, const std::string& applicationTitle,
                                              TConfigDialogParams params);

  // --- Published event handlers -------------------------------------------------
  void FormCreate();
  void FormDestroy();
  // Every change of the edit's text, typed or written by the up-down control
  // bound to it.
  void Edit1Change(const std::string& text);
  void btnAddClick();
  void btnDeleteClick();
  void btnOpenClick();
  void lstFoldersDblClick();
  // Paths dropped on the list box (WM_DROPFILES), in their order.
  void FilesDropped(const std::vector<std::string>& paths);
  // The selected hidden pictures leave the list, to be shown again after OK.
  void btnShowAgainClick();

  // --- State ------------------------------------------------------------------------
  const TFolderList& WorkFolders() const { return *FWorkFolders; }
  const std::vector<std::string>& WorkHidden() const { return FWorkHidden; }
  int32_t Position() const { return FPosition; }
  void SetPosition(int32_t position);
  void SetFolders(const TFolderList& list);
  void RefreshFolderList();

  // The edit's text for a position: thousands separated from 1000 on.
  static std::string FormatPosition(int32_t position, const std::string& separator);
  // A whole number in text (spaces around it, a sign, and the separator
  // between thousands only, in its right places); false when text is none.
  // Values beyond 32 bits saturate.
  static bool ParseWholeNumber(const std::string& text, const std::string& separator, int64_t& value);

private:
  // The selected entry's path, or empty when none is selected.
  std::string SelectedPath();

  TConfigDialogUi& FUi;
  std::string FTitle;
  std::unique_ptr<TFolderList> FWorkFolders;
  std::vector<std::string> FWorkHidden;
  int32_t FPosition = kIntervalMin;
  bool FInEditChange = false;
};
