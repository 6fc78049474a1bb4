#include "app/TrayCommands.h"

#include "framework/CodePage932.h"

TTrayCommands::TTrayCommands(TVEMOMainForm& form, TTrayServices& services)
    : FForm(form), FServices(services) {
  FForm.OnTrayIcon = [this](uint32_t event) { WMTrayIcon(event); };
  FForm.OnHistoryClick = [this](THistory* history, const std::string& path) { HistoryClick(history, path); };
  FForm.actConfig.OnExecute = [this](TAction*) { actConfigExecute(); };
  FForm.actAbout.OnExecute = [this](TAction*) { actAboutExecute(); };
  FForm.actWebsite.OnExecute = [this](TAction*) { actWebsiteExecute(); };
  FForm.actNeverShow.OnExecute = [this](TAction*) { NeverShow(FForm.Current().Path); };
}

TTrayCommands::~TTrayCommands() {
  FForm.OnTrayIcon = nullptr;
  FForm.OnHistoryClick = nullptr;
  FForm.actConfig.OnExecute = nullptr;
  FForm.actAbout.OnExecute = nullptr;
  FForm.actWebsite.OnExecute = nullptr;
  FForm.actNeverShow.OnExecute = nullptr;
}

void TTrayCommands::WMTrayIcon(uint32_t event) {
  const TPoint cursor = FServices.CursorPos();
  const bool keyboard = event == kTrayContextMenu || event == kTrayKeySelect;
  if (event == kTrayKeySelect &&
      (FInKeySelect || (FKeySelectEnded && FServices.Now() - FKeySelectEnd < kTrayKeySelectEcho)))
    return;
  // The keyboard's user looks at the icon, not at the cursor, which may be
  // anywhere.
  TPoint at = cursor;
  if (keyboard && !FServices.IconAnchor(at)) at = cursor;
  // The slideshow stands still while a menu or dialog opened here is up; the
  // time spent in here is left out of the show's time.
  FForm.Hold(hrMenu, true);
  if (event == kTrayKeySelect) FInKeySelect = true;
  auto restore = [&] {
    FForm.Hold(hrMenu, false);
    if (event != kTrayKeySelect) return;
    FInKeySelect = false;
    FKeySelectEnded = true;
    FKeySelectEnd = FServices.Now();
  };
  try {
    switch (event) {
      case kTrayLeftButtonDown:
      case kTrayKeySelect:
        FServices.SetForeground();
        FHistoryPoint = at;
        FServices.PopupMenu(FForm.popHistory, at);
        break;
      case kTrayLeftDoubleClick:
        if (FForm.Current().Index != -1) Preview(cursor, FForm.Current().Path);
        break;
      case kTrayRightButtonUp:
      case kTrayContextMenu:
        FForm.UpdateTaskbarItem();
        FServices.SetForeground();
        FServices.PopupMenu(FForm.PopupMenu1, at);
        break;
      case kTrayBalloonClick:
        // The click goes by the balloon shown last: the hint's opens where
        // Windows keeps the icons' settings, every other one the program's.
        if (FForm.BalloonTarget().empty())
          FForm.actConfig.Execute();
        else
          FServices.OpenShellTarget(FForm.BalloonTarget());
        break;
      default: break;
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TTrayCommands::actConfigExecute() {
  // A click still on its way when the window closed finds nothing to set.
  if (FForm.Destroyed()) return;
  // The dialog starts from the interval in force: one still waiting for a
  // fade to end is dropped unless confirmed again.
  TSettings settings = CurrentSettings();
  settings.Interval = FForm.Show().Interval();
  TConfigDialogResult result{0, settings};
  try {
    result = FServices.ShowConfigDialog(TConfigDialogParams{settings});
  } catch (...) {
    // Even a dialog that fails leaves no interval waiting.
    FForm.ApplySettings(settings);
    throw;
  }
  // Exit chosen while the dialog was up: it closed as if cancelled, and the
  // settings are gone with the rest of the show.
  if (FForm.Destroyed()) return;
  // Into the place in use before the dialog. A save that fails leaves the
  // show with the settings it had, and its error is shown.
  if (result.Changes != 0) FServices.SaveSettings(result.Settings);
  FForm.ApplySettings(result.Settings);
  if (result.Changes & ccStorage) MoveSettings(result.Settings, settings.Storage);
}

void TTrayCommands::MoveSettings(const TSettings& settings, TStoragePlace before) {
  try {
    FServices.MoveSettings(settings);
  } catch (...) {
    // The settings are whole in memory: they go back into the place they
    // came from before the error is shown, so that a move the new place
    // cannot take (a folder name the INI file's code page lacks, a folder
    // that cannot be written) loses nothing.
    try {
      TSettings back = settings;
      back.Storage = before;
      FServices.MoveSettings(back);
    } catch (...) {
    }
    throw;
  }
}

TSettings TTrayCommands::CurrentSettings() {
  TSettings settings = FForm.Settings();
  // A defined place even when the store reports none (its file deleted
  // meanwhile): the INI file, where a first save would put it.
  settings.Storage = spIniFile;
  FServices.QueryStorage(settings.Storage);
  return settings;
}

void TTrayCommands::HistoryClick(THistory*, const std::string& path) { Preview(FHistoryPoint, path); }

void TTrayCommands::Preview(const TPoint& at, const std::string& path) {
  // Shown once, the picture may have gone back to the cloud since: the
  // preview would fetch it again.
  if (FForm.LeftInTheCloud(path)) throw Exception(IDS_PREVIEW_ONLY_ONLINE, {path});
  FServices.ShowPreviewDialog(at, path, [this](const std::string& previewed) { NeverShow(previewed); });
}

void TTrayCommands::NeverShow(const std::string& path) {
  if (FForm.Destroyed() || path.empty() || FForm.Hidden().Contains(path)) return;
  if (FForm.Hidden().Full()) throw Exception(IDS_HIDDEN_FULL, {kHiddenMax});
  TSettings settings = CurrentSettings();
  std::string stored;
  if (settings.Storage == spIniFile && !TryUtf8ToCp932(path, stored))
    throw Exception(IDS_HIDDEN_NOT_IN_INI, {path});
  FForm.HidePicture(path);
  settings.Hidden = FForm.Settings().Hidden;
  FServices.SaveSettings(settings);
}
