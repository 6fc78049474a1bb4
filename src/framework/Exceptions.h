// Exception classes of the form framework the units are written against.
// Every error leaves the libraries as one of these, carrying a UTF-8 message.
#pragma once

#include <stdexcept>
#include <string>

#include "framework/Texts.h"

// The framework's general exception class: every other error derives from it.
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  // A text of the resources with its arguments, in the language of this run.
  explicit Exception(TTextId id, std::initializer_list<TTextArg> args = {})
      : std::runtime_error(FormatText(id, args)), FTextId(id) {}
  std::string Message() const { return what(); }
  // The text's number, or 0 for a message made elsewhere.
  TTextId TextId() const { return FTextId; }

private:
  TTextId FTextId = 0;
};

// Floating-point errors of the resamplers' arithmetic.
class EMathError : public Exception {
public:
  using Exception::Exception;
};

// A floating-point division of a non-zero value by zero.
class EZeroDivide : public EMathError {
public:
  EZeroDivide();
};

// An invalid floating-point operation (zero divided by zero and the like).
class EInvalidOp : public EMathError {
public:
  EInvalidOp();
};

// A picture file that cannot be read: missing, unreadable, truncated or corrupt.
class EInvalidGraphic : public Exception {
public:
  using Exception::Exception;
};

// Opening, reading or writing a file failed.
class EFileError : public Exception {
public:
  using Exception::Exception;
};

// An index outside a list's range.
class EListError : public Exception {
public:
  using Exception::Exception;
};

// A bitmap too large to be held.
class EOutOfResources : public Exception {
public:
  using Exception::Exception;
};

// Long double division with the framework's error rules: a zero divisor raises
// EZeroDivide, or EInvalidOp when the dividend is zero (or not a number) too.
long double FloatDivide(long double dividend, long double divisor);
