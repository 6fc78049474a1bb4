// Conversion between the program's UTF-8 text and code page 932 (Japanese
// Shift-JIS as Windows defines it), done with our own tables so that the
// result never depends on the system's code page.
#pragma once

#include <string>
#include <string_view>

#include "framework/Exceptions.h"

// A text holds a character that code page 932 cannot represent.
class ECodePageError : public Exception {
public:
  using Exception::Exception;
};

// Decodes code page 932 bytes into UTF-8. A byte or byte pair that maps to no
// character becomes U+FFFD: an assigned-range pair (lead byte and a byte of the
// trail range) is replaced as a whole, while a lead byte followed by a byte
// that cannot be a trail byte (or by nothing) is replaced alone, so the byte
// after it (a line break, say) keeps its meaning. When invalid is given, it is
// set to whether anything was replaced.
std::string Cp932ToUtf8(std::string_view bytes, bool* invalid = nullptr);

// Encodes UTF-8 text into code page 932. Returns false when a character has no
// exact code page 932 form (no "best fit" substitutes are made) or the text is
// not valid UTF-8; out is then unspecified.
bool TryUtf8ToCp932(std::string_view text, std::string& out);

// Like TryUtf8ToCp932, raising ECodePageError naming the text on failure.
std::string Utf8ToCp932(std::string_view text);

// Whether the byte starts a double-byte character of code page 932.
bool IsCp932LeadByte(unsigned char byte);
