#include "framework/Forms.h"

#include "framework/CancelToken.h"
#include "framework/Menus.h"

std::string MessageBoxCaption(TMsgDlgType type, const std::string& applicationTitle) {
  switch (type) {
    case mtWarning: return LoadText(IDS_CAPTION_WARNING);
    case mtError: return LoadText(IDS_CAPTION_ERROR);
    case mtInformation: return LoadText(IDS_CAPTION_INFORMATION);
    case mtConfirmation: return LoadText(IDS_CAPTION_CONFIRMATION);
    case mtCustom: break;
  }
  return applicationTitle;
}

namespace {

// The code point of the last character of a UTF-8 text; a broken sequence
// counts by its lead byte, which still sorts after every ASCII character.
uint32_t LastCodePoint(const std::string& text) {
  size_t start = text.size() - 1;
  while (start > 0 && (uint8_t(text[start]) & 0xC0) == 0x80 && text.size() - start < 4) --start;
  const uint8_t lead = uint8_t(text[start]);
  if (lead < 0x80) return lead;
  uint32_t value = lead & (lead >= 0xF0 ? 0x07 : lead >= 0xE0 ? 0x0F : 0x1F);
  for (size_t i = start + 1; i < text.size(); ++i) value = (value << 6) | (uint8_t(text[i]) & 0x3F);
  return value < 0x80 ? 0x80 : value;
}

}  // namespace

std::string ErrorDisplayText(const std::string& message) {
  if (!message.empty() && LastCodePoint(message) > uint32_t('.')) return message + ".";
  return message;
}

void TApplication::ShowException(const std::exception& error) const {
  if (FErrorShown || dynamic_cast<const ECancelled*>(&error)) return;
  FErrorShown = true;
  const std::function<void(bool)> told = OnErrorBox;
  if (told) told(true);
  try {
    FBoxes.Show(ErrorDisplayText(error.what()), Title, mtError);
  } catch (...) {
    FErrorShown = false;
    if (told) told(false);
    throw;
  }
  FErrorShown = false;
  if (told) told(false);
}

void TApplication::Guard(const std::function<void()>& handler) const {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowException(error);
  }
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  if (OnChange) OnChange(FEnabled, FInterval);
}

void TTimer::SetInterval(uint32_t interval) {
  if (interval == FInterval) return;
  FInterval = interval;
  if (OnChange) OnChange(FEnabled, FInterval);
}

void TTimer::Restart(uint32_t interval) {
  FInterval = interval;
  FEnabled = true;
  if (OnChange) OnChange(FEnabled, FInterval);
}

void TAction::SetCaption(const std::string& caption) {
  FCaption = caption;
  Update();
}

void TAction::SetEnabled(bool enabled) {
  FEnabled = enabled;
  Update();
}

bool TAction::Execute() {
  if (!FEnabled || !OnExecute) return false;
  OnExecute(this);
  return true;
}

void TAction::Link(TMenuItem* item) {
  FItems.push_back(item);
  item->OnClick = [this](TMenuItem*) { Execute(); };
  Update();
}

void TAction::Update() {
  for (TMenuItem* item : FItems) {
    item->Caption = FCaption;
    item->Enabled = FEnabled;
  }
}
