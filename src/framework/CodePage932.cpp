#include "framework/CodePage932.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "framework/Streams.h"

namespace {

struct TCp932Pair {
  uint16_t Key;
  uint16_t Value;
};

#include "framework/CodePage932Table.inc"

constexpr uint16_t kNoCharacter = 0xFFFF;
constexpr uint32_t kReplacement = 0xFFFD;

bool IsTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

uint16_t Lookup(const TCp932Pair* begin, const TCp932Pair* end, uint16_t key) {
  const TCp932Pair* found =
      std::lower_bound(begin, end, key, [](const TCp932Pair& pair, uint16_t k) { return pair.Key < k; });
  return found != end && found->Key == key ? found->Value : kNoCharacter;
}

// Reads one UTF-8 character at i; returns false for an invalid sequence.
bool NextCodePoint(std::string_view text, size_t& i, uint32_t& cp) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    cp = c;
    ++i;
    return true;
  }
  if (c < 0xC2 || c > 0xF4) return false;
  const size_t need = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  if (text.size() - i < need) return false;
  uint32_t v = c & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
  for (size_t k = 1; k < need; ++k) {
    const auto t = static_cast<unsigned char>(text[i + k]);
    if ((t & 0xC0) != 0x80) return false;
    v = (v << 6) | (t & 0x3F);
  }
  const uint32_t minimum = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
  if (v < minimum || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return false;
  cp = v;
  i += need;
  return true;
}

}  // namespace

bool IsCp932LeadByte(unsigned char byte) { return kCp932LeadByte[byte]; }

std::string Cp932ToUtf8(std::string_view bytes, bool* invalid) {
  std::string out;
  out.reserve(bytes.size());
  bool replaced = false;
  for (size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (!kCp932LeadByte[b]) {
      AppendUtf8(out, kCp932Single[b]);
      ++i;
      continue;
    }
    if (i + 1 < bytes.size() && IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
      const uint16_t key = uint16_t((b << 8) | static_cast<unsigned char>(bytes[i + 1]));
      const uint16_t cp = Lookup(std::begin(kCp932Double), std::end(kCp932Double), key);
      if (cp == kNoCharacter) {
        AppendUtf8(out, kReplacement);
        replaced = true;
      } else {
        AppendUtf8(out, cp);
      }
      i += 2;
    } else {
      AppendUtf8(out, kReplacement);
      replaced = true;
      ++i;
    }
  }
  if (invalid) *invalid = replaced;
  return out;
}

bool TryUtf8ToCp932(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = 0;
    if (!NextCodePoint(text, i, cp)) return false;
    if (cp < 0x80) {
      out.push_back(char(cp));
      continue;
    }
    if (cp > 0xFFFF) return false;
    const uint16_t code = Lookup(std::begin(kCp932Encode), std::end(kCp932Encode), uint16_t(cp));
    if (code == kNoCharacter) return false;
    if (code > 0xFF) out.push_back(char(code >> 8));
    out.push_back(char(code & 0xFF));
  }
  return true;
}

std::string Utf8ToCp932(std::string_view text) {
  std::string out;
  if (!TryUtf8ToCp932(text, out)) {
    throw ECodePageError(IDS_NOT_CP932, {std::string(text)});
  }
  return out;
}
