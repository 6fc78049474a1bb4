#include "framework/Exceptions.h"

#include <cmath>

EZeroDivide::EZeroDivide() : EMathError("浮動小数点数を 0 で除算しました") {}

EInvalidOp::EInvalidOp() : EMathError("無効な浮動小数点演算です") {}

long double FloatDivide(long double dividend, long double divisor) {
  if (divisor == 0.0L) {
    if (dividend == 0.0L || std::isnan(dividend)) throw EInvalidOp();
    throw EZeroDivide();
  }
  return dividend / divisor;
}
