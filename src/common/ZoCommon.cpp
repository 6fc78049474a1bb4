#include "common/ZoCommon.h"

#include "framework/Classes.h"

uint32_t RandSeed = 0;

uint32_t Random(uint32_t range) {
  RandSeed = RandSeed * 134775813u + 1u;
  return uint32_t((uint64_t(RandSeed) * range) >> 32);
}

void ShuffleStrings(TStringList& list) {
  for (int32_t i = list.Count() - 1; i >= 1; --i) {
    const int32_t j = int32_t(Random(uint32_t(i - 1)));
    list.Exchange(i, j);
  }
}

std::string AboutBoxCaption(const std::string& applicationTitle) {
  return FormatText(IDS_ABOUT_CAPTION, {applicationTitle});
}
