// The one owner of a system handle, portable: the Win32 owners build on it
// (framework/WinHandles_win.h), and so does the core's folder reader.
#pragma once

#include <cstdint>
#include <utility>

// Window and icon handles as plain numbers, so that the portable code can hold
// them without the Windows headers.
using THandleValue = uintptr_t;

// A handle is "none" when it is the type's empty value.
struct TNullIsNone {
  template <typename THandle>
  static bool IsNone(THandle handle) {
    return handle == THandle{};
  }
};

// One owned handle, released by Release when the owner goes. Copying is not
// allowed; moving hands the handle over. TNone says which values own nothing.
template <typename THandle, auto Release, typename TNone = TNullIsNone>
class TOwnedHandle {
public:
  TOwnedHandle() = default;
  explicit TOwnedHandle(THandle handle) : FHandle(handle) {}
  ~TOwnedHandle() { Reset(); }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;
  TOwnedHandle(TOwnedHandle&& other) noexcept : FHandle(std::exchange(other.FHandle, THandle{})) {}
  TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      FHandle = std::exchange(other.FHandle, THandle{});
    }
    return *this;
  }

  THandle Get() const { return FHandle; }
  explicit operator bool() const { return !TNone::IsNone(FHandle); }
  THandle Detach() { return std::exchange(FHandle, THandle{}); }
  void Reset(THandle handle = THandle{}) {
    if (!TNone::IsNone(FHandle)) Release(FHandle);
    FHandle = handle;
  }

private:
  THandle FHandle{};
};
