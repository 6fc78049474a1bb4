// The settings store: TZoIniFile2 keeps the settings either in an INI file
// beside the executable or in the registry under HKEY_CURRENT_USER, and hides
// which. The place is chosen once by the user (the first-run question), found
// again afterwards by looking for it, and can be moved with MoveStorage.
//
// Everything the store touches outside itself (the registry, the files, the
// question, the executable's own path) comes through TStorageEnvironment, so
// the logic here is the same in every build and tests can run it without a
// window or a registry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/IniFiles.h"

enum TStoragePlace : uint8_t { spIniFile = 0, spRegistry = 1 };

// Every failure of the store carries one of these.
class ESettingsStoreError : public Exception {
public:
  using Exception::Exception;
};

// Registry value types, with the registry's own numbers.
enum TRegistryType : uint32_t {
  rtNone = 0,
  rtString = 1,        // REG_SZ
  rtExpandString = 2,  // REG_EXPAND_SZ
  rtBinary = 3,        // REG_BINARY
  rtDword = 4,         // REG_DWORD
  rtMultiString = 7,   // REG_MULTI_SZ
  rtQword = 11,        // REG_QWORD
};

// A registry value as stored: its type and its bytes (strings as UTF-16LE,
// with their terminating NUL, as the wide registry functions keep them).
struct TRegistryValue {
  uint32_t Type = rtNone;
  std::vector<uint8_t> Data;
};

enum TRegistryReadResult { rrValue, rrNoValue, rrReadFailed };

// Access to the registry below HKEY_CURRENT_USER with at most one open key.
// Key paths are absolute from that root and start with a backslash
// ("\Software\Orvane\vemo").
class TRegistryAccess {
public:
  virtual ~TRegistryAccess() = default;
  // Whether the key can be opened for reading (STANDARD_RIGHTS_READ |
  // KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS); it is closed again at once.
  virtual bool KeyExists(const std::string& path) = 0;
  // Creates the key and any missing key above it (full access, non-volatile);
  // an existing key is left as it is. The open key is not affected.
  virtual bool CreateKey(const std::string& path) = 0;
  // Closes the open key, then opens path with full access, creating it (and
  // the keys above it) when canCreate is set. False when that fails; no key is
  // open then.
  virtual bool OpenKey(const std::string& path, bool canCreate) = 0;
  virtual void CloseKey() = 0;
  // Deletes the key with all its subkeys (deepest first) and values. False
  // when the key itself remains.
  virtual bool DeleteKeyTree(const std::string& path) = 0;
  // Values of the open key; with no key open, nothing is there.
  virtual TRegistryReadResult ReadValue(const std::string& name, TRegistryValue& value) = 0;
  virtual bool WriteValue(const std::string& name, const TRegistryValue& value) = 0;
  virtual std::vector<std::string> ValueNames() = 0;
};

using TRegistryFactory = std::function<std::unique_ptr<TRegistryAccess>()>;

enum TFileReadResult { frRead, frMissing, frTooLarge, frFailed };

// The few file operations the store needs. Paths are UTF-8.
class TFileSystem {
public:
  virtual ~TFileSystem() = default;
  // Whether a file (not a folder) exists at path.
  virtual bool FileExists(const std::string& path) = 0;
  // Creates an empty file; returns 0, or the system's error code (Windows
  // numbering: 2 file not found, 3 path not found, 4 too many open files,
  // 5 access denied; other codes as the system gives them).
  virtual int CreateEmptyFile(const std::string& path) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Reads the whole file, refusing files larger than limit bytes.
  virtual TFileReadResult ReadWholeFile(const std::string& path, size_t limit, std::string& data) = 0;
  // Writes data to a temporary file beside path (under a name no file has
  // yet) and renames it over path, so that path holds either its old or its
  // new contents, never a part. When path is a link, the file it leads to is
  // replaced and the link stays. Where the temporary file cannot be made or
  // swapped in, path is rewritten in place and flushed. False when that fails
  // too; no temporary file stays.
  virtual bool WriteFileAtomically(const std::string& path, std::string_view data) = 0;
};

// The first-run question went unanswered: the program is ending under it.
// The store then creates no place, and loading ends with nothing read and
// nothing to report.
class EStorageQuestionCancelled : public ESettingsStoreError {
public:
  EStorageQuestionCancelled()
      : ESettingsStoreError("The settings place was not chosen: the program is ending") {}
};

// The first-run question: where to keep the settings.
class TStorageQuestion {
public:
  virtual ~TStorageQuestion() = default;
  // True when the user chose the INI file (Yes); anything else means the
  // registry. Raises EStorageQuestionCancelled when the question was taken
  // down without an answer.
  virtual bool AskUseIniFile() = 0;
};

// The question's text; each "\r" is one line break of the box.
inline constexpr TText kStorageQuestionText{IDS_STORAGE_QUESTION};
inline constexpr TText kStorageQuestionCaption{IDS_STORAGE_QUESTION_CAPTION};
inline constexpr TText kStorageQuestionYes{IDS_STORAGE_QUESTION_YES};
inline constexpr TText kStorageQuestionNo{IDS_STORAGE_QUESTION_NO};

// What the store needs from its surroundings.
class TStorageEnvironment {
public:
  TStorageEnvironment(std::string exePath, TRegistryFactory newRegistry, TFileSystem& files,
                      TStorageQuestion& question)
      : FExePath(std::move(exePath)),
        FNewRegistry(std::move(newRegistry)),
        FFiles(files),
        FQuestion(question) {}

  // The executable's full path: the store's names are derived from it.
  const std::string& ExePath() const { return FExePath; }
  std::unique_ptr<TRegistryAccess> NewRegistry() const { return FNewRegistry(); }
  TFileSystem& Files() const { return FFiles; }
  TStorageQuestion& Question() const { return FQuestion; }

private:
  std::string FExePath;
  TRegistryFactory FNewRegistry;
  TFileSystem& FFiles;
  TStorageQuestion& FQuestion;
};

// The largest INI file the store reads; a settings file is a few kilobytes.
inline constexpr size_t kMaxIniFileSize = 4 * 1024 * 1024;

class TZoIniFile2 {
public:
  // Finds the place or asks the user for it, makes sure it exists and opens it.
  explicit TZoIniFile2(const TStorageEnvironment& environment);
  // Drops INI writes not followed by UpdateFile; closes the registry.
  virtual ~TZoIniFile2();
  TZoIniFile2(const TZoIniFile2&) = delete;
  TZoIniFile2& operator=(const TZoIniFile2&) = delete;

  // Finds the settings place: the application key first, then the INI file.
  // Sets place only when one exists. With keptRegistry given, the registry
  // access used is handed back there (no key open) unless the INI file won.
  static bool LocateStorage(const TStorageEnvironment& environment, TStoragePlace& place,
                            std::unique_ptr<TRegistryAccess>* keptRegistry = nullptr);
  // LocateStorage keeping nothing; place stays as it was when nothing is found.
  static bool QueryStorage(const TStorageEnvironment& environment, TStoragePlace& place);
  // Deletes the place in use and creates the new one (empty). Nothing happens
  // when no place exists or it already is the new one. When the new place
  // cannot be created, the old one is created again (empty) before the error
  // goes on. Says whether it moved.
  static bool MoveStorage(const TStorageEnvironment& environment, TStoragePlace newPlace);
  // Creates the place if it is missing, through registry when given.
  static void CreateStorage(const TStorageEnvironment& environment, TStoragePlace place,
                            TRegistryAccess* registry = nullptr);
  static std::string GetAppName(const TStorageEnvironment& environment);
  static std::string GetIniFileName(const TStorageEnvironment& environment);
  // The application key's path ("\Software\Orvane\<application name>"), or a
  // section's key below it.
  static std::string KeyPathOf(const std::string& appName, const std::string& section);

  TStoragePlace Place() const { return FPlace; }
  // The place was chosen by the first-run question and made just now.
  bool NewPlace() const { return FNewPlace; }
  bool HasSection() const { return FHasSection; }
  const std::string& Section() const { return FSection; }

  void OpenSection(const std::string& section, bool canCreate);
  bool SectionExists(const std::string& section);
  int32_t ReadInteger(const std::string& name, int32_t defaultValue);
  std::string ReadString(const std::string& name, const std::string& defaultValue);
  void WriteInteger(const std::string& name, int32_t value);
  void WriteString(const std::string& name, const std::string& value);
  // Names of the current section's values (none without a current section in
  // the registry), so that callers need not probe for names one by one.
  std::vector<std::string> ValueNames();
  // Ends a series of writes; in INI mode the file is rewritten here.
  void UpdateFile();
  std::string GetKeyPath(const std::string& section) const { return KeyPathOf(FAppName, section); }

private:
  void CheckSection() const;
  // The current section's registry value, or nothing (no section, no value).
  bool ReadRegistryValue(const std::string& name, TRegistryValue& value);

  // A copy: the store may outlive the environment object it was made with.
  const TStorageEnvironment FEnvironment;
  TStoragePlace FPlace = spIniFile;
  bool FNewPlace = false;
  std::string FAppName;
  std::string FIniFileName;
  std::unique_ptr<TMemIniFile> FIniFile;
  std::unique_ptr<TRegistryAccess> FRegistry;
  bool FHasSection = false;
  std::string FSection;
};

// The message raised when the empty INI file cannot be created, by error code.
std::string FileCreateErrorText(int code);

// Registry values as the wide functions store them.
TRegistryValue RegistryDword(uint32_t value);
TRegistryValue RegistryString(const std::string& text, uint32_t type = rtString);
