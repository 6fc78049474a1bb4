#include "framework/Exceptions.h"

#include <cmath>

EZeroDivide::EZeroDivide() : EMathError(IDS_ZERO_DIVIDE) {}

EInvalidOp::EInvalidOp() : EMathError(IDS_INVALID_OP) {}

long double FloatDivide(long double dividend, long double divisor) {
  if (divisor == 0.0L) {
    if (dividend == 0.0L || std::isnan(dividend)) throw EInvalidOp();
    throw EZeroDivide();
  }
  return dividend / divisor;
}
