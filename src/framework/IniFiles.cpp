#include "framework/IniFiles.h"

#include "framework/CodePage932.h"

namespace {

std::string Fold(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return folded;
}

// Blanks in the framework's sense: every control character and the space.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// The bytes of one piece of the file, checked for what the format cannot hold.
std::string Encode(std::string_view text) {
  if (text.find_first_of("\r\n") != std::string_view::npos) {
    throw ECodePageError(IDS_INI_LINE_BREAK, {std::string(text)});
  }
  std::string bytes;
  if (!TryUtf8ToCp932(text, bytes)) {
    throw ECodePageError(IDS_INI_NOT_CP932, {std::string(text)});
  }
  return bytes;
}

bool HexDigit(char c, uint32_t& digit) {
  if (c >= '0' && c <= '9') {
    digit = uint32_t(c - '0');
  } else if (c >= 'a' && c <= 'f') {
    digit = uint32_t(c - 'a' + 10);
  } else if (c >= 'A' && c <= 'F') {
    digit = uint32_t(c - 'A' + 10);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool TryParseIniInteger(std::string_view text, int32_t& value) {
  bool hex = false;
  if (!text.empty() && text[0] == '$') {
    hex = true;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    hex = true;
    text.remove_prefix(2);
  }
  if (hex) {
    if (text.empty()) return false;
    uint64_t v = 0;
    for (char c : text) {
      uint32_t digit = 0;
      if (!HexDigit(c, digit)) return false;
      v = v * 16 + digit;
      if (v > 0xFFFFFFFFu) return false;
    }
    value = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > int64_t(INT32_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  value = static_cast<int32_t>(v);
  return true;
}

void TMemIniFile::Clear() {
  FRawValues.clear();
  FSections.clear();
  FSectionIndex.clear();
}

TMemIniFile::TSection& TMemIniFile::AddSection(const std::string& name) {
  const auto [it, added] = FSectionIndex.try_emplace(Fold(name), FSections.size());
  if (added) {
    FSections.emplace_back();
    FSections.back().Name = name;
  }
  return FSections[it->second];
}

void TMemIniFile::AddEntry(TSection& section, TEntry entry) {
  // Only named values are found again; a line without "=" just survives.
  if (entry.HasEquals) section.Index.try_emplace(Fold(entry.Name), section.Entries.size());
  section.Entries.push_back(std::move(entry));
}

void TMemIniFile::SetText(std::string_view cp932) {
  Clear();
  TSection* current = nullptr;
  size_t pos = 0;
  while (pos < cp932.size()) {
    size_t end = cp932.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = cp932.size();
    // Line breaks are single bytes that no double-byte character contains.
    const std::string_view rawLine = Trim(cp932.substr(pos, end - pos));
    pos = end;
    if (pos < cp932.size()) {
      pos += (cp932[pos] == '\r' && pos + 1 < cp932.size() && cp932[pos + 1] == '\n') ? 2 : 1;
    }
    if (rawLine.empty()) continue;
    bool invalid = false;
    const std::string line = Cp932ToUtf8(rawLine, &invalid);
    // A lead byte never swallows ";", "[", "]" or "=" as they stand at these
    // places, so the bytes split exactly where the text does.
    if (line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string name(Trim(std::string_view(line).substr(1, line.size() - 2)));
      const bool known = FSectionIndex.count(Fold(name)) != 0;
      TSection& section = AddSection(name);
      if (invalid && !known) {
        section.Raw = true;
        // Untrimmed: a trailing lead byte must keep the blank that followed
        // it, or it would swallow the "]" when written back.
        section.RawName = std::string(rawLine.substr(1, rawLine.size() - 2));
      }
      current = &section;
      continue;
    }
    if (!current) continue;
    TEntry entry;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      entry.HasEquals = false;
      entry.Name = line;
      if (invalid) {
        entry.NameRaw = true;
        entry.RawName = std::string(rawLine);
      }
    } else {
      const std::string_view text(line);
      entry.Name = std::string(Trim(text.substr(0, equals)));
      entry.Value = std::string(Trim(text.substr(equals + 1)));
      if (invalid) {
        // Only the half that cannot be decoded keeps its bytes: the other
        // reads and writes like any text.
        const size_t rawEquals = rawLine.find('=');
        const std::string_view rawName = Trim(rawLine.substr(0, rawEquals));
        const std::string_view rawValue = Trim(rawLine.substr(rawEquals + 1));
        (void)Cp932ToUtf8(rawName, &entry.NameRaw);
        (void)Cp932ToUtf8(rawValue, &entry.ValueRaw);
        if (entry.NameRaw) entry.RawName = std::string(rawName);
        if (entry.ValueRaw) {
          entry.RawValue = std::string(rawValue);
          const auto [known, added] = FRawValues.try_emplace(entry.Value, entry.RawValue);
          if (!added && known->second != entry.RawValue) known->second.clear();
        }
      }
    }
    AddEntry(*current, std::move(entry));
  }
}

std::string TMemIniFile::GetText() const {
  std::string out;
  for (const TSection& section : FSections) {
    out += '[';
    out += section.Raw ? section.RawName : Encode(section.Name);
    out += "]\r\n";
    for (const TEntry& entry : section.Entries) {
      out += entry.NameRaw ? entry.RawName : Encode(entry.Name);
      if (entry.HasEquals) out += '=' + (entry.ValueRaw ? entry.RawValue : Encode(entry.Value));
      out += "\r\n";
    }
    out += "\r\n";
  }
  return out;
}

const TMemIniFile::TSection* TMemIniFile::FindSection(std::string_view section) const {
  const auto it = FSectionIndex.find(Fold(section));
  return it == FSectionIndex.end() ? nullptr : &FSections[it->second];
}

const TMemIniFile::TEntry* TMemIniFile::FindEntry(std::string_view section, std::string_view name) const {
  const TSection* found = FindSection(section);
  if (!found) return nullptr;
  const auto it = found->Index.find(Fold(name));
  return it == found->Index.end() ? nullptr : &found->Entries[it->second];
}

bool TMemIniFile::SectionExists(std::string_view section) const {
  const TSection* found = FindSection(section);
  return found && !found->Entries.empty();
}

bool TMemIniFile::ValueExists(std::string_view section, std::string_view name) const {
  return FindEntry(section, name) != nullptr;
}

std::vector<std::string> TMemIniFile::ReadSections() const {
  std::vector<std::string> names;
  names.reserve(FSections.size());
  for (const TSection& section : FSections) names.push_back(section.Name);
  return names;
}

std::vector<std::string> TMemIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> names;
  if (const TSection* found = FindSection(section)) {
    for (const TEntry& entry : found->Entries) {
      if (entry.HasEquals) names.push_back(entry.Name);
    }
  }
  return names;
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view name,
                                    const std::string& defaultValue) const {
  const TEntry* entry = FindEntry(section, name);
  return entry ? entry->Value : defaultValue;
}

int32_t TMemIniFile::ReadInteger(std::string_view section, std::string_view name,
                                 int32_t defaultValue) const {
  const TEntry* entry = FindEntry(section, name);
  int32_t value = 0;
  return entry && TryParseIniInteger(entry->Value, value) ? value : defaultValue;
}

void TMemIniFile::WriteString(std::string_view section, std::string_view name, std::string_view value) {
  TSection& target = AddSection(std::string(section));
  auto it = target.Index.find(Fold(name));
  if (it == target.Index.end()) {
    TEntry added;
    added.Name = std::string(name);
    AddEntry(target, std::move(added));
    it = target.Index.find(Fold(name));
  }
  TEntry& entry = target.Entries[it->second];
  // The line takes the name as written. A damaged name keeps its bytes when
  // it is written back as read, or in a spelling the file cannot hold (a
  // line that reads alike), or the file could not be saved again.
  std::string encodable;
  if (!entry.NameRaw || (entry.Name != name && TryUtf8ToCp932(name, encodable))) {
    entry.Name = std::string(name);
    entry.NameRaw = false;
  }
  // Writing back what was read keeps a damaged value's bytes as they were,
  // under whatever name it now stands.
  if (entry.ValueRaw && entry.Value == value) return;
  entry.Value = std::string(value);
  const auto raw = FRawValues.find(entry.Value);
  entry.ValueRaw = raw != FRawValues.end() && !raw->second.empty();
  entry.RawValue = entry.ValueRaw ? raw->second : std::string();
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view name, int32_t value) {
  WriteString(section, name, std::to_string(value));
}
