#include <windows.h>
#include <winioctl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "app/Discovery.h"
#include "framework/Classes.h"
#include "support/TempFolder.h"
#include "support/WaitUntil.h"

// The same real-folder cases as natively, here through the wide find functions.
#include "app/DiscoveryFolderCases.h"

namespace {

using discovery_cases::NativeAll;
using discovery_cases::Sorted;
namespace fs = std::filesystem;

// Read-only entries would keep the temporary folder from being removed.
void ClearAttributes(const fs::path& root) {
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(root, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored))
    SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
}

class WindowsFolderScan : public testing::Test {
protected:
  ~WindowsFolderScan() override { ClearAttributes(Temp.FsPath()); }

  void SetAttributes(const fs::path& path, DWORD attributes) {
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << GetLastError();
    ASSERT_EQ(GetFileAttributesW(path.c_str()) & attributes, attributes) << "attributes did not stick";
  }

  vemo_test::TTempFolder Temp;
  std::string Root = Temp.Path();
  TStringList List;
};

TEST_F(WindowsFolderScan, HiddenSystemAndReadOnlyEntriesAreListed) {
  SetAttributes(Temp.MakeFile("hidden.jpg"), FILE_ATTRIBUTE_HIDDEN);
  SetAttributes(Temp.MakeFile("system.bmp"), FILE_ATTRIBUTE_SYSTEM);
  SetAttributes(Temp.MakeFile("both.jpeg"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetAttributes(Temp.MakeFile("readonly.jpg"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  Temp.MakeFile("secret/inner.jpg");
  SetAttributes(Temp.FsPath() / "secret",
                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);
  Temp.MakeFile("plain.jpg");
  ScanFolder(Root, List);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {"hidden.jpg", "system.bmp", "both.jpeg", "readonly.jpg",
                                           "secret/inner.jpg", "plain.jpg"}));
}

TEST_F(WindowsFolderScan, TheFastAndThePlainFindCallsListTheSame) {
  Temp.MakeFile("a.jpg");
  Temp.MakeFile("写真/b.bmp");
  Temp.MakeFile("写真/深い/c.jpeg");
  Temp.MakeFile("😀/d.JPG");
  SetAttributes(Temp.MakeFile("h.jpg"), FILE_ATTRIBUTE_HIDDEN);
  TStringList fast, plain;
  ScanFolder(Root, fast, *NewWindowsFolderEnumerator(true));
  ScanFolder(Root, plain, *NewWindowsFolderEnumerator(false));
  EXPECT_EQ(Sorted(fast), NativeAll(Root, {"a.jpg", "写真/b.bmp", "写真/深い/c.jpeg", "😀/d.JPG", "h.jpg"}));
  EXPECT_EQ(Sorted(plain), Sorted(fast));
}

TEST_F(WindowsFolderScan, AFolderHasOneIdentityHoweverItIsSpelled) {
  Temp.MakeFolder("Alpha");
  Temp.MakeFolder("Beta");
  auto identity = [](const std::string& folder) {
    auto reader = PlatformFolderEnumerator().Open(folder);
    EXPECT_NE(reader, nullptr) << folder;
    return reader ? reader->Identity() : std::nullopt;
  };
  const auto alpha = identity(Root + "\\Alpha\\");
  const auto lower = identity(Root + "\\alpha\\");
  const auto dotted = identity(Root + "\\Beta\\..\\Alpha\\");
  const auto beta = identity(Root + "\\Beta\\");
  ASSERT_TRUE(alpha && lower && dotted && beta);
  EXPECT_EQ(*alpha, *lower);
  EXPECT_EQ(*alpha, *dotted);
  EXPECT_NE(*alpha, *beta);
}

// A directory junction (mount point) from link to target, made the way the
// system's own tools make one. False when the file system refuses.
bool MakeJunction(const fs::path& link, const fs::path& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE raw = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (raw == INVALID_HANDLE_VALUE) {
    RemoveDirectoryW(link.c_str());
    return false;
  }
  std::unique_ptr<void, decltype(&CloseHandle)> handle(raw, &CloseHandle);

  const std::wstring substitute = L"\\??\\" + fs::absolute(target).wstring();
  const std::wstring print = fs::absolute(target).wstring();
  const size_t pathBytes = (substitute.size() + 1 + print.size() + 1) * sizeof(wchar_t);
  std::vector<uint8_t> buffer(8 + 8 + pathBytes);
  auto put16 = [&](size_t at, size_t value) {
    buffer[at] = uint8_t(value);
    buffer[at + 1] = uint8_t(value >> 8);
  };
  const DWORD tag = 0xA0000003;  // IO_REPARSE_TAG_MOUNT_POINT
  memcpy(buffer.data(), &tag, 4);
  put16(4, buffer.size() - 8);                           // data length
  put16(8, 0);                                           // substitute name offset
  put16(10, substitute.size() * sizeof(wchar_t));        // substitute name length
  put16(12, (substitute.size() + 1) * sizeof(wchar_t));  // print name offset
  put16(14, print.size() * sizeof(wchar_t));             // print name length
  memcpy(buffer.data() + 16, substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
  memcpy(buffer.data() + 16 + (substitute.size() + 1) * sizeof(wchar_t), print.c_str(),
         (print.size() + 1) * sizeof(wchar_t));
  DWORD returned = 0;
  if (DeviceIoControl(handle.get(), FSCTL_SET_REPARSE_POINT, buffer.data(), DWORD(buffer.size()), nullptr, 0,
                      &returned, nullptr))
    return true;
  handle.reset();
  RemoveDirectoryW(link.c_str());
  return false;
}

// Under Wine: the Unix path Wine maps a Windows path to, or empty elsewhere.
std::string UnixPathOf(const fs::path& path) {
  using TGetUnixName = char*(__cdecl*)(const wchar_t*);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto getUnixName = kernel ? reinterpret_cast<TGetUnixName>(
                                  reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                            : nullptr;
  if (!getUnixName) return {};
  char* name = getUnixName(path.c_str());
  if (!name) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Starts a Unix program under Wine. Wine neither passes Unix exit codes on
// nor reliably waits for the program's end, so callers poll for its effect.
bool RunUnix(const std::wstring& program, std::wstring arguments) {
  std::wstring command = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

std::wstring Quoted(const std::string& unixPath) {
  return L"\"" + vemo_test::PathFromUtf8(unixPath).wstring() + L"\"";
}

class WindowsLinkScan : public WindowsFolderScan {
protected:
  ~WindowsLinkScan() override {
    // Wine shows its Unix links as plain folders, so they must go before
    // anything walks the tree to clean it.
    for (const auto& [link, unixLink] : FUnixLinks) {
      RunUnix(L"Z:\\bin\\rm", L"-f " + Quoted(unixLink));
      vemo_test::WaitUntil([&] { return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
    }
  }

  // A link from the folder link to the folder target by the first means this
  // system offers, checked by looking through it for probe (a name inside
  // target). Names the means, or empty when there is none.
  std::string MakeFolderLink(const fs::path& link, const fs::path& target, const std::string& probe) {
    auto works = [&] {
      return GetFileAttributesW((link / vemo_test::PathFromUtf8(probe)).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    if (MakeJunction(link, target) && works()) return "junction";
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        works())
      return "symbolic link";
    // Wine makes neither junctions nor directory links itself, but it follows
    // the Unix links of the folders it maps, and ln makes one.
    const std::string unixParent = UnixPathOf(link.parent_path()), unixTarget = UnixPathOf(target);
    if (unixParent.empty() || unixTarget.empty()) return {};
    const std::string unixLink = unixParent + "/" + vemo_test::Utf8FromPath(link.filename());
    if (!RunUnix(L"Z:\\bin\\ln", L"-s " + Quoted(unixTarget) + L" " + Quoted(unixLink))) return {};
    FUnixLinks.emplace_back(link, unixLink);
    return vemo_test::WaitUntil(works) ? "Unix link under Wine" : "";
  }

private:
  std::vector<std::pair<fs::path, std::string>> FUnixLinks;
};

TEST_F(WindowsLinkScan, LinksBackUpTheTreeEnd) {
  Temp.MakeFile("top.jpg");
  Temp.MakeFile("a/b/deep.jpg");
  const std::string up = MakeFolderLink(Temp.FsPath() / "a" / "b" / "up", Temp.FsPath(), "top.jpg");
  if (up.empty()) GTEST_SKIP() << "this system makes no folder links";
  // Followed blindly, the link repeats the tree until the path grows too long.
  discovery_cases::TWithoutIdentity blind;
  ScanFolder(Root, List, blind);
  EXPECT_GT(List.Count(), 20);
  std::printf("folder links: %s; followed blindly, %d pictures\n", up.c_str(), int(List.Count()));
  List.Clear();

  const std::string loop = MakeFolderLink(Temp.FsPath() / "a" / "loop", Temp.FsPath() / "a", "b");
  ASSERT_FALSE(loop.empty());
  RecordProperty("link", up);
  discovery_cases::TBoundedEnumerator bounded(1000);
  ScanFolder(Root, List, bounded);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {"top.jpg", "a/b/deep.jpg"}));
  // Root, a, a/b, and each of the two links once to learn where it leads.
  EXPECT_EQ(bounded.Opened, 5);
}

TEST_F(WindowsLinkScan, ALinkBetweenSiblingsListsTheTargetTwice) {
  Temp.MakeFile("x/p.jpg");
  if (MakeFolderLink(Temp.FsPath() / "via", Temp.FsPath() / "x", "p.jpg").empty())
    GTEST_SKIP() << "this system makes no folder links";
  ScanFolder(Root, List);
  EXPECT_EQ(Sorted(List), NativeAll(Root, {"x/p.jpg", "via/p.jpg"}));
}

}  // namespace
