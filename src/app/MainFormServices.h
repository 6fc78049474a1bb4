// What the main window is written against: the clock, the icon maker, the
// window it lives in and the rest of its surroundings, so that the same window
// runs in the program (Unit1_win.cpp realises them with Win32) and under
// native tests with fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/Discovery.h"
#include "app/TrayHint.h"
#include "app/Worker.h"
#include "common/ZoTrayIcon.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "settings/Settings.h"

// The millisecond clock (timeGetTime): unsigned, wrapping after 2^32 ms.
class TMillisecondClock {
public:
  virtual ~TMillisecondClock() = default;
  virtual uint32_t Now() = 0;
};

// Makes and destroys the icons the notification area is given: an icon of a
// colour tile and a mask (CreateIconIndirect / DestroyIcon).
class TIconFactory {
public:
  virtual ~TIconFactory() = default;
  // Raises when no icon can be made.
  virtual THandleValue CreateIcon(const TBitmap& color, const TBitmap& mask) = 0;
  virtual void DestroyIcon(THandleValue icon) = 0;
};

// The window the form lives in.
class TWindowHost {
public:
  virtual ~TWindowHost() = default;
  // The window's handle, created if there is none yet.
  virtual THandleValue Handle() = 0;
  // Posts WM_CLOSE to the window; it closes when the message loop gets there.
  virtual void PostClose() = 0;
};

// Everything the main window uses from outside itself.
struct TMainFormServices {
  TApplication& Application;
  TWindowHost& Window;
  TMillisecondClock& Clock;
  TNotificationArea& Tray;
  TIconFactory& Icons;
  // The shell library's version, MAKELONG(minor, major).
  std::function<uint32_t()> ShellVersion;
  // The stored interval and folders, as far as they could be read
  // (LoadSettings).
  std::function<TLoadedSettings()> LoadSettings;
  // The attributes of the existing file (not a folder) at the path, if any.
  TFileAttributesQuery FileAttributes;
  // The scan of the folders.
  TFolderEnumerator& Folders;
  // Where folders are scanned and tiles made. Without one, that work runs at
  // once in the caller, as a worker that is always instantly done.
  TWorker* Worker = nullptr;
  // What Windows says about its hidden icons; without it nothing is known.
  std::function<TTrayFacts()> TrayFacts = nullptr;
};

// A picture slot.
struct TVEMOImageRec {
  int32_t Index = -1;
  std::string Path;
  std::unique_ptr<TBitmap> Bitmap;
};

// The icon handle now given to the notification area; there is never more
// than one.
class TOwnedIcon {
public:
  explicit TOwnedIcon(TIconFactory& factory) : FFactory(factory) {}
  TOwnedIcon(const TOwnedIcon&) = delete;
  TOwnedIcon& operator=(const TOwnedIcon&) = delete;
  ~TOwnedIcon() { Reset(); }

  THandleValue Handle() const { return FHandle; }
  // Destroys the icon held; then makes the new one.
  void Replace(const TBitmap& color, const TBitmap& mask);
  void Reset();

private:
  TIconFactory& FFactory;
  THandleValue FHandle = 0;
};
