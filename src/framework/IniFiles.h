// The framework's in-memory INI file: the image of an INI text in code page
// 932, read and changed in memory and turned back into text whole.
//
// Reading: lines end in CR, LF or CR LF and are trimmed of blanks (every
// character up to the space); empty lines, lines starting with ";" and lines
// before the first section are skipped; "[name]" opens a section (a repeated
// header continues the section it names); any other line is a value, its name
// the trimmed text before the first "=" and its value the trimmed text after
// it. A line without "=" is kept as it is, so it survives, but names nothing.
// Names of sections and values compare with the letters A-Z and a-z equal.
//
// Writing: each section in the order it first appeared, its header, its lines
// in order, one empty line; every line ends in CR LF. Comments and blank lines
// are dropped, blanks around "=" removed, everything else survives. A value
// written replaces its whole line, name included. Lines whose bytes were not
// valid code page 932 are written back byte for byte until the program changes
// them, so a damaged file loses nothing it did not touch; a damaged value's
// bytes go with the value, so writing it under another name keeps them too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TMemIniFile {
public:
  TMemIniFile() = default;
  explicit TMemIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

  // The path the image belongs to; the image itself never touches the disk.
  const std::string& FileName() const { return FFileName; }

  // Replaces the image by the INI text given in code page 932.
  void SetText(std::string_view cp932);
  // The image as INI text in code page 932. Raises ECodePageError naming the
  // first text code page 932 cannot represent (or that holds a line break).
  std::string GetText() const;
  void Clear();

  // Whether the section holds at least one line: a bare header counts as absent.
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view name) const;
  // Names of the sections, in order.
  std::vector<std::string> ReadSections() const;
  // Names of the values of a section, in order.
  std::vector<std::string> ReadSection(std::string_view section) const;

  std::string ReadString(std::string_view section, std::string_view name,
                         const std::string& defaultValue) const;
  // Decimal, "$" hexadecimal or "0x"/"0X" hexadecimal; anything else gives the default.
  int32_t ReadInteger(std::string_view section, std::string_view name, int32_t defaultValue) const;
  // Replaces the value in place, or appends it to its section (appended itself
  // after the others when new).
  void WriteString(std::string_view section, std::string_view name, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view name, int32_t value);

private:
  struct TEntry {
    std::string Name;
    std::string Value;
    bool HasEquals = true;
    // The line's original bytes (name and value apart) when they were not
    // valid code page 932; written back instead of Name and Value as long as
    // the program leaves them alone.
    bool NameRaw = false;
    bool ValueRaw = false;
    std::string RawName;
    std::string RawValue;
  };
  struct TSection {
    std::string Name;
    bool Raw = false;
    std::string RawName;
    std::vector<TEntry> Entries;
    // Folded name to the first entry of that name.
    std::unordered_map<std::string, size_t> Index;
  };

  const TSection* FindSection(std::string_view section) const;
  const TEntry* FindEntry(std::string_view section, std::string_view name) const;
  TSection& AddSection(const std::string& name);
  void AddEntry(TSection& section, TEntry entry);

  std::string FFileName;
  // The bytes of each damaged value read, by the text it reads as; empty
  // where two different byte runs read as the same text.
  std::unordered_map<std::string, std::string> FRawValues;
  std::vector<TSection> FSections;
  std::unordered_map<std::string, size_t> FSectionIndex;
};

// The integer rule of INI values: decimal with an optional sign, "$" followed
// by hexadecimal digits, or "0x"/"0X" followed by them; hexadecimal values up
// to FFFFFFFF stand for their 32-bit pattern. Returns false for anything else,
// including values outside the 32-bit range.
bool TryParseIniInteger(std::string_view text, int32_t& value);
