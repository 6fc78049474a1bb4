// The form framework's application object, window timer, actions and message
// boxes. The portable half holds what they are and do; the Win32 half
// (Forms_win.cpp) realises the timer with SetTimer and the boxes with
// MessageBoxW.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "framework/Graphics.h"

class TMenuItem;

// --- Message boxes -------------------------------------------------------------

enum TMsgDlgType : uint8_t {
  mtWarning = 0,
  mtError = 1,
  mtInformation = 2,
  mtConfirmation = 3,
  mtCustom = 4
};

// The caption a message box of the type carries: "警告", "エラー", "情報", "確認",
// and for mtCustom the application title.
std::string MessageBoxCaption(TMsgDlgType type, const std::string& applicationTitle);

// Modal message boxes with the one button "OK". Texts are UTF-8; a carriage
// return breaks a line.
class TMessageBoxes {
public:
  virtual ~TMessageBoxes() = default;
  virtual void Show(const std::string& text, const std::string& caption, TMsgDlgType type) = 0;
};

// --- Application object ----------------------------------------------------------

// What the top-level error display shows for an error's message: the message
// with "." appended when its last character sorts after "." (so a sentence
// ending in "。" gets one, one ending in "!" or "." does not).
std::string ErrorDisplayText(const std::string& message);

class TApplication {
public:
  explicit TApplication(TMessageBoxes& boxes) : FBoxes(boxes) {}
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  std::string Title;
  // The program's own full path.
  std::string ExeName;
  // False keeps the main window hidden for the whole run.
  bool ShowMainForm = true;

  TMessageBoxes& MessageBoxes() const { return FBoxes; }

  // The one top-level error display: an error box with the title as caption.
  // One box at a time: an error raised while one is up (its modal loop runs
  // timers and posted work) is dropped rather than stacked on it, and work
  // that was called off is never shown.
  void ShowException(const std::exception& error) const;
  // Told when an error box comes up (true) and goes (false).
  std::function<void(bool up)> OnErrorBox;
  // Runs handler; an error escaping it is shown by ShowException and the
  // program goes on.
  void Guard(const std::function<void()>& handler) const;

private:
  TMessageBoxes& FBoxes;
  mutable bool FErrorShown = false;
};

// --- Window timer ----------------------------------------------------------------

// A window-message timer. The Win32 half installs the realisation (SetTimer /
// KillTimer on the owner window) through OnChange; without one the timer only
// keeps its state, which is all a portable test needs to drive its owner.
class TTimer {
public:
  TTimer() = default;
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t interval);
  // Enabled with that interval, counted anew from now even when nothing
  // changed: the next tick comes a whole interval later.
  void Restart(uint32_t interval);

  // Called for each tick while enabled.
  std::function<void()> OnTimer;
  // Told of every change of Enabled or Interval, with the new state.
  std::function<void(bool enabled, uint32_t interval)> OnChange;

  void Tick() {
    if (FEnabled && OnTimer) OnTimer();
  }

private:
  bool FEnabled = true;
  uint32_t FInterval = 1000;
};

// --- Actions ---------------------------------------------------------------------

// A command with a caption and an enabled state; menu items linked to it show
// its caption, follow its enabled state and run it when chosen. Id is the
// command number a Win32 menu reports with WM_COMMAND.
class TAction {
public:
  TAction(uint16_t id, std::string caption) : FId(id), FCaption(std::move(caption)) {}
  TAction(const TAction&) = delete;
  TAction& operator=(const TAction&) = delete;

  uint16_t Id() const { return FId; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);

  std::function<void(TAction* Sender)> OnExecute;
  // Runs OnExecute when the action is enabled; says whether it ran.
  bool Execute();

  // The item takes the action's caption and state now and on every change,
  // and choosing it executes the action. The item must outlive the action's
  // use of it (both belong to the same window).
  void Link(TMenuItem* item);

private:
  void Update();

  uint16_t FId;
  std::string FCaption;
  bool FEnabled = true;
  std::vector<TMenuItem*> FItems;
};
