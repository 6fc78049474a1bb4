// The folder list's name comparison against the system's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "picture/FolderList.h"

namespace {

TEST(FileNameEqualityOnWindows, FoldsLikeCompareStringOrdinalIgnoringCase) {
  // Latin, Greek, Cyrillic and the full-width forms: every letter a folder
  // name is likely to hold, against each other.
  std::vector<wchar_t> sample;
  for (wchar_t unit = 0x20; unit < 0x250; ++unit) sample.push_back(unit);
  for (wchar_t unit = 0x370; unit < 0x530; ++unit) sample.push_back(unit);
  for (wchar_t unit = 0xFF01; unit < 0xFF5F; ++unit) sample.push_back(unit);
  int disagreements = 0;
  for (wchar_t a : sample)
    for (wchar_t b : sample) {
      const bool system = CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL;
      const bool ours = UpcaseFileNameUnit(char16_t(a)) == UpcaseFileNameUnit(char16_t(b));
      if (system != ours && ++disagreements <= 10)
        ADD_FAILURE() << std::hex << "U+" << unsigned(a) << " and U+" << unsigned(b) << ": the system says "
                      << system;
    }
  EXPECT_EQ(disagreements, 0);
}

}  // namespace
