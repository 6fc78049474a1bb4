#include "framework/Resources_win.h"

#include <atomic>

#include "framework/WinHandles_win.h"

namespace {

std::atomic<TLanguage> gLanguage{lgJapanese};

LANGID LanguageIdOf(TLanguage language) {
  return language == lgJapanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

// The resource's bytes, found in the chosen language only: a text missing in
// one language must show as missing, never in the other language.
bool FindBytes(LPCWSTR type, LPCWSTR name, const BYTE*& bytes, DWORD& size) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC info = FindResourceExW(module, type, name, ChosenLanguageId());
  if (!info) return false;
  const HGLOBAL loaded = LoadResource(module, info);
  bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  size = SizeofResource(module, info);
  return bytes != nullptr;
}

}  // namespace

TLanguage WindowsUiLanguage() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? lgJapanese : lgEnglish;
}

void UseResourceTexts(TLanguage language) {
  gLanguage.store(language);
  SetTextSource(&ResourceText);
}

LANGID ChosenLanguageId() { return LanguageIdOf(gLanguage.load()); }

std::string ResourceText(TTextId id) {
  const BYTE* bytes = nullptr;
  DWORD size = 0;
  // A string table block holds sixteen counted UTF-16 strings.
  if (FindBytes(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), bytes, size)) {
    const size_t units = size / sizeof(WCHAR);
    const auto* text = reinterpret_cast<const WCHAR*>(bytes);
    size_t at = 0;
    for (unsigned skip = id % 16; skip > 0 && at < units; --skip) at += 1 + size_t(text[at]);
    if (at < units && at + 1 + size_t(text[at]) <= units && text[at] != 0)
      return Utf8Of(std::wstring(text + at + 1, text[at]));
  }
  return MissingText(id);
}

const DLGTEMPLATE* DialogTemplate(int id) {
  const BYTE* bytes = nullptr;
  DWORD size = 0;
  if (!FindBytes(RT_DIALOG, MAKEINTRESOURCEW(id), bytes, size) || size < sizeof(DLGTEMPLATE)) return nullptr;
  return reinterpret_cast<const DLGTEMPLATE*>(bytes);
}
