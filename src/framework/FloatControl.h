// Pixel arithmetic is specified in x87 extended precision. Windows (and Wine)
// may start a process with the x87 precision control at 53 bits, which would
// silently round every long double to a double; this guard sets the full 64-bit
// mantissa for the duration of a computation and restores the caller's word.
#pragma once

#include <cstdint>

class TExtendedPrecision {
public:
  TExtendedPrecision() {
#if defined(__i386__) || defined(__x86_64__)
    __asm__ __volatile__("fnstcw %0" : "=m"(FSaved));
    // Precision control (bits 8-9) = 11b: 64-bit mantissa; rounding (bits 10-11) = 00b: to nearest even.
    uint16_t word = uint16_t((FSaved & ~0x0F00u) | 0x0300u);
    __asm__ __volatile__("fldcw %0" : : "m"(word));
#endif
  }
  ~TExtendedPrecision() {
#if defined(__i386__) || defined(__x86_64__)
    __asm__ __volatile__("fldcw %0" : : "m"(FSaved));
#endif
  }
  TExtendedPrecision(const TExtendedPrecision&) = delete;
  TExtendedPrecision& operator=(const TExtendedPrecision&) = delete;

private:
  uint16_t FSaved = 0;
};
