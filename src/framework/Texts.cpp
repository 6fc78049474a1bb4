#include "framework/Texts.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<TTextSource> gSource{nullptr};

bool SameLetters(std::string_view value, const char* name) {
  if (value.size() != 2) return false;
  for (size_t i = 0; i < 2; ++i)
    if (char(value[i] | 0x20) != name[i]) return false;
  return true;
}

}  // namespace

TLanguage LanguageOfSetting(std::string_view value, TLanguage fallback) {
  if (SameLetters(value, "ja")) return lgJapanese;
  if (SameLetters(value, "en")) return lgEnglish;
  return fallback;
}

std::string MissingText(TTextId id) {
  char text[8];
  std::snprintf(text, sizeof text, "#%u", unsigned(id));
  return text;
}

void SetTextSource(TTextSource source) { gSource.store(source); }

std::string LoadText(TTextId id) {
  const TTextSource source = gSource.load();
  // Without a source (a tool that never installed one) the number still says
  // which text was meant.
  return source ? source(id) : MissingText(id);
}

std::string FormatPattern(std::string_view pattern, const std::vector<std::string>& args) {
  std::string text;
  text.reserve(pattern.size());
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%' || i + 1 == pattern.size()) {
      text += c;
      continue;
    }
    const char kind = pattern[i + 1];
    if (kind == '%') {
      text += '%';
      ++i;
    } else if ((kind == 's' || kind == 'd') && next < args.size()) {
      text += args[next++];
      ++i;
    } else {
      text += c;
    }
  }
  return text;
}

std::string FormatText(TTextId id, std::initializer_list<TTextArg> args) {
  std::vector<std::string> texts;
  texts.reserve(args.size());
  for (const TTextArg& arg : args) texts.push_back(arg.Text());
  return FormatPattern(LoadText(id), texts);
}
