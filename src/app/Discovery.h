// Picture discovery: which files are pictures, and the recursive scan of a
// registered folder that collects their full paths for the play list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class THiddenList;

class TStringList;

#ifdef _WIN32
constexpr char PathDelim = '\\';
#else
constexpr char PathDelim = '/';
#endif

// Whether name's extension (from the last "." of its final component, compared
// as a file name) is ".bmp", ".jpg" or ".jpeg", or one of the other formats on
// offer.
bool IsPictureFile(const std::string& name);

// --- Directory enumeration -----------------------------------------------------
// What the scan needs from the file system, so that the walk itself is one
// piece of code for both platforms (and can be driven by a fake in tests).

enum TEntryKind : uint8_t {
  ekFile = 0,    // a file: listed when its name is a picture's
  ekFolder = 1,  // a folder, or a link to one: scanned
  ekOther = 2,   // neither (devices, pipes, dangling links): passed over
};

struct TFolderEntry {
  std::string Name;
  TEntryKind Kind = ekFile;
  // The file attributes the listing carries (Windows' FILE_ATTRIBUTE_*); 0
  // where the system has none.
  uint32_t Attributes = 0;
};

// --- Files kept only online ----------------------------------------------------
// A cloud file (OneDrive's files on demand and the like) whose data is not on
// this machine: opening it, or reading its data, fetches it from the remote
// store. Windows' values, so that the listing's attributes are taken as they
// come.
inline constexpr uint32_t kAttributeOffline = 0x1000;
inline constexpr uint32_t kAttributeRecallOnOpen = 0x40000;
inline constexpr uint32_t kAttributeRecallOnDataAccess = 0x400000;

inline constexpr bool IsOnlineOnly(uint32_t attributes) {
  return (attributes & (kAttributeOffline | kAttributeRecallOnOpen | kAttributeRecallOnDataAccess)) != 0;
}

// The attributes of the existing file (not a folder) at a path; nothing when
// there is none. Asking never opens the file.
using TFileAttributesQuery = std::function<std::optional<uint32_t>(const std::string& path)>;

// What makes a folder the same folder whatever route leads to it (device and
// inode, volume serial and file index).
struct TFolderIdentity {
  uint64_t Volume = 0;
  uint64_t Index = 0;
  bool operator==(const TFolderIdentity&) const = default;
};

// One open listing of a folder; closing happens on destruction.
class TFolderReader {
public:
  virtual ~TFolderReader() = default;
  // The identity of the folder listed, when the system tells it.
  virtual std::optional<TFolderIdentity> Identity() = 0;
  // The next entry, in the order the file system returns them ("." and ".."
  // included); false at the end or on any error.
  virtual bool Next(TFolderEntry& entry) = 0;
};

class TFolderEnumerator {
public:
  virtual ~TFolderEnumerator() = default;
  // Opens folder (which ends with PathDelim) for listing; null when it cannot
  // be opened (missing, not a folder, access denied).
  virtual std::unique_ptr<TFolderReader> Open(const std::string& folder) = 0;
};

// The platform's real enumeration: POSIX directories natively (in the core),
// the wide find functions on Windows (in the Win32 layer, Discovery_win.cpp).
// On Windows it and the two-argument ScanFolder therefore link only into
// programs that link the Win32 layer; core code and core tests take a
// TFolderEnumerator& instead.
TFolderEnumerator& PlatformFolderEnumerator();

#ifdef _WIN32
// A Windows enumeration of its own: with fastFind it asks for the basic
// information level and large fetches first and falls back to the plain find
// call where the system refuses them; without, it uses only the plain call.
std::unique_ptr<TFolderEnumerator> NewWindowsFolderEnumerator(bool fastFind);
// Has cloud files show what they are in this process's listings, where
// Windows can (10 1803 on): some programs are otherwise shown placeholders
// disguised as plain files.
void ExposeCloudPlaceholders();
#endif

// Appends to list the full paths of all picture files in folder and,
// depth-first in enumeration order, its subfolders. A folder that cannot be
// opened adds nothing, silently. A folder already on the way down from the
// scanned folder is not entered again, so links that point back up the tree
// end; a folder reached by two different routes is scanned on each.
void ScanFolder(const std::string& folder, TStringList& list);
// The scan asks the thread's TCancelScope on entering every folder and after
// every kScanCancelStride entries; once its token is cancelled the scan ends
// at once, with what it had found so far.
inline constexpr int kScanCancelStride = 256;
void ScanFolder(const std::string& folder, TStringList& list, TFolderEnumerator& enumerator);

// Which pictures a scan takes: files kept only online are left out unless
// the user chose to have them (each is then downloaded when shown), and
// counted, so that a list left empty by them can say why.
struct TScanFilter {
  bool TakeOnlineOnly = false;
  int32_t LeftOut = 0;
  // Pictures the user never wants to see again are not taken either.
  const THiddenList* Hidden = nullptr;
};
void ScanFolder(const std::string& folder, TStringList& list, TFolderEnumerator& enumerator,
                TScanFilter& filter);
