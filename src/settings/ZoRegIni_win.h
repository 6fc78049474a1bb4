// The Win32 side of the settings store: the real registry, the real files,
// the first-run question as a message box, and the program's own environment.
#pragma once

#include <windows.h>

#include <string>

#include "framework/WinHandles_win.h"
#include "settings/ZoRegIni.h"

// The registry of HKEY_CURRENT_USER through the wide functions.
class TWinRegistry : public TRegistryAccess {
public:
  bool KeyExists(const std::string& path) override;
  bool CreateKey(const std::string& path) override;
  bool OpenKey(const std::string& path, bool canCreate) override;
  void CloseKey() override { FKey.Reset(); }
  bool DeleteKeyTree(const std::string& path) override;
  TRegistryReadResult ReadValue(const std::string& name, TRegistryValue& value) override;
  bool WriteValue(const std::string& name, const TRegistryValue& value) override;
  std::vector<std::string> ValueNames() override;

private:
  TRegKey FKey;
};

// Files through the wide Win32 functions; the INI file is replaced with
// MoveFileExW over a temporary file written beside it.
class TWinFileSystem : public TFileSystem {
public:
  bool FileExists(const std::string& path) override;
  int CreateEmptyFile(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  TFileReadResult ReadWholeFile(const std::string& path, size_t limit, std::string& data) override;
  bool WriteFileAtomically(const std::string& path, std::string_view data) override;
};

// The first-run question as a modal message box: caption "確認", question
// icon, "はい(&Y)" the default button (Enter) and "いいえ(&N)" taken by Escape
// and by closing the box. A box ended by the thread's quit (the program
// closed under it) answers nothing: EStorageQuestionCancelled.
class TMessageBoxStorageQuestion : public TStorageQuestion {
public:
  explicit TMessageBoxStorageQuestion(HWND owner = nullptr) : FOwner(owner) {}
  bool AskUseIniFile() override;

private:
  HWND FOwner;
};

// The executable's own full path (GetModuleFileNameW), UTF-8.
std::string ExecutablePath();

// The program's environment: its own executable, the real registry and files,
// the message-box question.
const TStorageEnvironment& DefaultStorageEnvironment();
