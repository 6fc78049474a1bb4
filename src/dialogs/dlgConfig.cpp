#include "dialogs/dlgConfig.h"

#include <algorithm>

#include "common/ZoShell.h"

TConfigDialog::TConfigDialog(TConfigDialogUi& ui, const std::string& applicationTitle)
    : FUi(ui), FTitle(applicationTitle) {
  FormCreate();
  FUi.SetDialog(this);
}

TConfigDialog::~TConfigDialog() {
  FUi.SetDialog(nullptr);
  FormDestroy();
}

void TConfigDialog::FormCreate() {
  FUi.SetCaption(FormatText(IDS_CONFIG_CAPTION, {FTitle}));
  FWorkFolders = std::make_unique<TFolderList>();
}

void TConfigDialog::FormDestroy() { FWorkFolders.reset(); }

TConfigDialogResult TConfigDialog::ShowConfigDialog(TConfigDialogUi& ui, const std::string& applicationTitle,
                                                    TConfigDialogParams params) {
  TConfigDialog dialog(ui, applicationTitle);
  const TSettings& given = params.Settings;
  dialog.SetPosition(given.Interval);
  dialog.SetFolders(given.Folders);
  if (given.Storage == spIniFile)
    ui.SetIniChecked(true);
  else if (given.Storage == spRegistry)
    ui.SetRegistryChecked(true);
  ui.SetOnlineOnlyChecked(given.OnlineOnly);
  dialog.FWorkHidden = given.Hidden;
  ui.ShowHidden(given.Hidden);

  TConfigDialogResult result{0, given};
  if (ui.ShowModal() != kModalResultOk) return result;

  TSettings& chosen = result.Settings;
  if (dialog.Position() != int32_t(given.Interval)) {
    result.Changes |= ccInterval;
    chosen.Interval = uint16_t(dialog.Position());
  }
  if (!given.Folders.Equals(dialog.WorkFolders())) {
    result.Changes |= ccFolders;
    chosen.Folders.Assign(dialog.WorkFolders());
  }
  if (ui.OnlineOnlyChecked() != given.OnlineOnly || dialog.WorkHidden() != given.Hidden) {
    result.Changes |= ccPictures;
    chosen.OnlineOnly = ui.OnlineOnlyChecked();
    chosen.Hidden = dialog.WorkHidden();
  }
  const bool iniChecked = ui.IniChecked();
  if (iniChecked != (given.Storage == spIniFile)) {
    result.Changes |= ccStorage;
    chosen.Storage = iniChecked ? spIniFile : spRegistry;
  }
  return result;
}

// --- The interval -------------------------------------------------------------------

std::string TConfigDialog::FormatPosition(int32_t position, const std::string& separator) {
  const std::string digits = std::to_string(position < 0 ? -int64_t(position) : int64_t(position));
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += separator;
    text += digits[i];
  }
  return position < 0 ? "-" + text : text;
}

bool TConfigDialog::ParseWholeNumber(const std::string& text, const std::string& separator, int64_t& value) {
  size_t i = 0, end = text.size();
  while (i < end && text[i] == ' ') ++i;
  while (end > i && text[end - 1] == ' ') --end;
  bool negative = false;
  if (i < end && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i >= end) return false;
  constexpr int64_t kSaturation = int64_t(1) << 32;
  int64_t result = 0;
  // Digits in the group now being read, and how many groups came before it.
  size_t groupDigits = 0, groups = 0;
  while (i < end) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      result = std::min(result * 10 + (c - '0'), kSaturation);
      ++groupDigits;
      ++i;
    } else if (!separator.empty() && text.compare(i, separator.size(), separator) == 0) {
      // Separators stand only where the control puts them: after a leading
      // group of one to three digits, then between groups of three.
      if (groupDigits == 0 || groupDigits > 3 || (groups > 0 && groupDigits != 3)) return false;
      ++groups;
      groupDigits = 0;
      i += separator.size();
    } else {
      return false;
    }
  }
  if (groupDigits == 0 || (groups > 0 && groupDigits != 3)) return false;
  value = negative ? -result : result;
  return true;
}

void TConfigDialog::SetPosition(int32_t position) {
  FPosition = std::clamp(position, kIntervalMin, kIntervalMax);
  FUi.ShowInterval(FPosition, FormatPosition(FPosition, FUi.ThousandsSeparator()));
}

void TConfigDialog::Edit1Change(const std::string& text) {
  // Showing the position changes the text again; that change is the echo of
  // this one, not the user's.
  if (FInEditChange) return;
  FInEditChange = true;
  try {
    const std::string separator = FUi.ThousandsSeparator();
    int64_t number = 0;
    if (!ParseWholeNumber(text, separator, number)) number = FPosition;
    FPosition = int32_t(std::clamp(number, int64_t(kIntervalMin), int64_t(kIntervalMax)));
    const std::string shown = FormatPosition(FPosition, separator);
    if (shown != text) FUi.ShowInterval(FPosition, shown);
  } catch (...) {
    FInEditChange = false;
    throw;
  }
  FInEditChange = false;
}

// --- The folder list -----------------------------------------------------------------

void TConfigDialog::SetFolders(const TFolderList& list) {
  FWorkFolders->Assign(list);
  RefreshFolderList();
}

void TConfigDialog::RefreshFolderList() {
  TSortedListBox& box = FUi.lstFolders();
  const int32_t selected = box.ItemIndex();
  box.Clear();
  for (int32_t i = 0; i < FWorkFolders->Count(); ++i) box.Add(FWorkFolders->Items(i));
  // The selection keeps its position, not its folder.
  if (box.Count() > selected)
    box.SetItemIndex(selected);
  else if (box.Count() > 0)
    box.SetItemIndex(box.Count() - 1);
}

std::string TConfigDialog::SelectedPath() {
  TSortedListBox& box = FUi.lstFolders();
  const int32_t index = box.ItemIndex();
  if (index < 0 || index >= box.Count()) return std::string();
  return box.Items(index);
}

void TConfigDialog::btnAddClick() {
  TBrowseStart start;
  start.Csidl = kCsidlPersonal;
  start.Path = SelectedPath();
  std::string path;
  if (!FUi.BrowseForFolder(kBrowseFolderTitle, kCsidlDesktop, start, kBifReturnOnlyFsDirs | kBifStatusText,
                           path))
    return;
  if (FWorkFolders->Add(path))
    RefreshFolderList();
  else
    FUi.MessageBox(kFolderAlreadyRegisteredText, mtError);
}

void TConfigDialog::btnDeleteClick() {
  const std::string path = SelectedPath();
  if (path.empty()) return;
  const int32_t index = FWorkFolders->IndexOf(path);
  if (index >= 0) FWorkFolders->Delete(index);
  RefreshFolderList();
}

void TConfigDialog::btnOpenClick() {
  const std::string path = SelectedPath();
  if (path.empty()) return;
  FUi.ShellOpen(path);
}

void TConfigDialog::lstFoldersDblClick() { btnOpenClick(); }

void TConfigDialog::FilesDropped(const std::vector<std::string>& paths) {
  bool allAccepted = true;
  for (const std::string& path : paths)
    if (!FWorkFolders->Add(path)) allAccepted = false;
  RefreshFolderList();
  if (!allAccepted) FUi.MessageBox(kSomeDropsRefusedText, mtWarning);
}

// --- The hidden pictures ---------------------------------------------------------------

void TConfigDialog::btnShowAgainClick() {
  std::vector<int32_t> selected = FUi.SelectedHidden();
  std::sort(selected.rbegin(), selected.rend());
  for (const int32_t index : selected)
    if (index >= 0 && index < int32_t(FWorkHidden.size())) FWorkHidden.erase(FWorkHidden.begin() + index);
  if (!selected.empty()) FUi.ShowHidden(FWorkHidden);
}
