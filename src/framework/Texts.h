// The texts users see, by number (framework/TextIds.h). The texts themselves
// live in the resources, one string table per language; the portable code
// only names them, and whoever runs it installs where they come from: the
// Windows layer reads the chosen language's table from the executable's
// resources, the native build a table made from the resource file.
//
// A text may hold %s and %d, each standing for the next argument in order
// (both are given as text), and %% for a percent sign. Arguments are never
// read as formats themselves.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/TextIds.h"

using TTextId = uint16_t;

enum TLanguage : uint8_t { lgJapanese, lgEnglish };

// The language a stored Language value asks for ("ja" or "en", in any case),
// or fallback when the value is absent or unknown.
TLanguage LanguageOfSetting(std::string_view value, TLanguage fallback);

// Where the texts come from: the text with that number in the language chosen
// for this run. It must be safe to call from any thread.
using TTextSource = std::string (*)(TTextId id);
// Installed once at start-up, before any thread that shows texts exists.
void SetTextSource(TTextSource source);

// One argument of a text, as the text it stands for.
class TTextArg {
public:
  TTextArg(std::string text) : FText(std::move(text)) {}
  TTextArg(const char* text) : FText(text) {}
  template <typename TInteger, typename = std::enable_if_t<std::is_integral_v<TInteger>>>
  TTextArg(TInteger value) : FText(std::to_string(value)) {}
  const std::string& Text() const { return FText; }

private:
  std::string FText;
};

// What stands for a text the source does not have: its number after a "#".
std::string MissingText(TTextId id);
// The text with that number, as the installed source gives it.
std::string LoadText(TTextId id);
// The text with its %s and %d replaced by args in order.
std::string FormatText(TTextId id, std::initializer_list<TTextArg> args);
// The formatting itself, for a pattern already loaded. Specifiers without an
// argument stay as they are; arguments without a specifier are dropped.
std::string FormatPattern(std::string_view pattern, const std::vector<std::string>& args);

// A named text that reads as its string wherever a string is wanted, so a
// constant can stand where a literal stood.
struct TText {
  TTextId Id;
  operator std::string() const { return LoadText(Id); }
  std::string Text() const { return LoadText(Id); }
};
inline std::string operator+(const std::string& left, const TText& right) { return left + right.Text(); }
inline bool operator==(const std::string& left, const TText& right) { return left == right.Text(); }
