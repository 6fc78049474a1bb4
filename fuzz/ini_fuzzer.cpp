// The INI reader on arbitrary bytes: decoding from code page 932, parsing,
// lookups and writing back. Whatever was read must be writable again, and
// reading what was written must give the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/CodePage932.h"
#include "framework/IniFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TMemIniFile ini;
  ini.SetText(bytes);
  for (const std::string& section : ini.ReadSections()) {
    (void)ini.SectionExists(section);
    for (const std::string& name : ini.ReadSection(section)) {
      (void)ini.ReadInteger(section, name, -1);
      const std::string value = ini.ReadString(section, name, "");
      // Writing back a value as read changes nothing.
      ini.WriteString(section, name, value);
    }
  }
  (void)ini.ReadInteger("General", "Interval", 15);
  (void)ini.ReadInteger("Folders", "Count", 0);
  const std::string text = ini.GetText();  // never throws for text that was read
  TMemIniFile again;
  again.SetText(text);
  if (again.GetText() != text) std::abort();
  bool invalid = false;
  (void)Cp932ToUtf8(bytes, &invalid);
  return 0;
}
