// The Win32 platform services against the real system (here: Wine): the
// registry, the shell's file associations and folder listings. Registry state lives in scratch keys under HKEY_CURRENT_USER
// that each test creates and removes.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "package/file_system.h"
#include "platform/registry.h"
#include "platform/scoped_handle_win.h"
#include "platform/shell.h"
#include "tests/support/scratch_folder.h"

namespace quintarel {
namespace {

using ::testing::ElementsAre;
using testing::ScratchFolder;
using testing::WriteText;

// A key (under HKEY_CURRENT_USER unless said otherwise) created for one test
// and removed with all it holds afterwards.
class ScratchKey {
 public:
  explicit ScratchKey(std::string path, HKEY root = HKEY_CURRENT_USER)
      : root_(root), path_(std::move(path)) {
    ::RegDeleteTreeA(root_, path_.c_str());
    ::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(),
                      nullptr);
  }
  ~ScratchKey() {
    key_.reset();
    ::RegDeleteTreeA(root_, path_.c_str());
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  bool is_valid() const { return key_.is_valid(); }
  const std::string& path() const { return path_; }

  bool Set(const std::string& name, DWORD type, const std::string& data) {
    return ::RegSetValueExA(key_.get(), name.c_str(), 0, type,
                            reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }
  // A text value, stored with its terminating NUL as the system stores text.
  bool SetText(const std::string& name, const std::string& text) {
    return Set(name, REG_SZ, std::string(text.c_str(), text.size() + 1));
  }
  // A text value of a subkey, created on the way.
  bool SetText(const std::string& subkey, const std::string& name, const std::string& text) {
    ScopedRegistryKey child;
    return ::RegCreateKeyExA(key_.get(), subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             child.put(), nullptr) == ERROR_SUCCESS &&
           ::RegSetValueExA(child.get(), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  }

 private:
  HKEY root_;
  std::string path_;
  ScopedRegistryKey key_;
};

constexpr char kScratchKeyPath[] = "Software\\Quintarel Platform Test";

struct ValueCase {
  const char* label;
  const char* name;
  std::size_t capacity;
  std::optional<std::string> expected;
};

TEST(RegistryWinTest, QueryTextReadsWhatFitsAsTextUpToTheFirstNul) {
  ScratchKey scratch(kScratchKeyPath);
  ASSERT_TRUE(scratch.is_valid());
  ASSERT_TRUE(scratch.SetText("Path", "C:\\Program Files\\Prog"));
  ASSERT_TRUE(scratch.SetText("", "default value"));
  ASSERT_TRUE(scratch.SetText("Empty", ""));
  ASSERT_TRUE(scratch.SetText("Four", "abc"));
  ASSERT_TRUE(scratch.Set("Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9)));
  ASSERT_TRUE(scratch.Set("Binary", REG_BINARY, std::string("ab\0cd", 5)));
  ASSERT_TRUE(scratch.Set("Unterminated", REG_BINARY, "xyz"));
  ASSERT_TRUE(scratch.Set("Number", REG_DWORD, "ABC\0"));

  const ValueCase cases[] = {
      {"text", "Path", 260, "C:\\Program Files\\Prog"},
      {"default value", "", 260, "default value"},
      {"empty text is found", "Empty", 260, ""},
      {"exactly fits with its NUL", "Four", 4, "abc"},
      {"one byte too long", "Four", 3, std::nullopt},
      {"no capacity", "Four", 0, std::nullopt},
      {"missing value", "Missing", 260, std::nullopt},
      {"not expanded", "Expand", 260, "%TEMP%\\x"},
      {"binary cut at NUL", "Binary", 260, "ab"},
      {"binary without NUL", "Unterminated", 260, "xyz"},
      {"number read as bytes", "Number", 260, "ABC"},
  };
  auto key = OperatingSystemRegistry().OpenForRead(RegistryRoot::kCurrentUser, scratch.path());
  ASSERT_NE(key, nullptr);
  for (const ValueCase& value : cases) {
    SCOPED_TRACE(value.label);
    EXPECT_EQ(key->QueryText(value.name, value.capacity), value.expected);
  }
}

TEST(RegistryWinTest, OpenForReadFindsExistingKeysOnly) {
  ScratchKey scratch(kScratchKeyPath);
  ASSERT_TRUE(scratch.SetText("Sub\\Deeper", "Path", "x"));
  Registry& registry = OperatingSystemRegistry();
  EXPECT_NE(registry.OpenForRead(RegistryRoot::kCurrentUser, scratch.path() + "\\Sub\\Deeper"),
            nullptr);
  EXPECT_EQ(registry.OpenForRead(RegistryRoot::kCurrentUser, scratch.path() + "\\Missing"),
            nullptr);
  EXPECT_EQ(registry.OpenForRead(RegistryRoot::kLocalMachine, scratch.path()), nullptr);
  // Reading, not writing, is all the machine's keys are opened for.
  EXPECT_NE(registry.OpenForRead(RegistryRoot::kLocalMachine,
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
            nullptr);
}

// The probe files "hint*.*" in the temporary folder.
std::set<std::string> ProbeFiles() {
  char folder[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, folder);
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  ScopedFindHandle find(::FindFirstFileA((std::string(folder) + "hint*.*").c_str(), &data));
  if (!find) return names;
  do {
    names.insert(data.cFileName);
  } while (::FindNextFileA(find.get(), &data));
  return names;
}

std::string LongPath(const std::string& path) {
  char buffer[MAX_PATH] = {};
  const DWORD length = ::GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

std::string FolderPart(const std::string& path) {
  const std::size_t separator = path.find_last_of('\\');
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// A file type registered the way a standard user registers one, per user.
// Where the system does not merge per-user classes into the classes root
// (Wine 8), the type is registered there too.
class ScratchFileType {
 public:
  ScratchFileType(const std::string& extension, const std::string& type, const std::string& command) {
    Register(HKEY_CURRENT_USER, "Software\\Classes\\", extension, type, command);
    ScopedRegistryKey merged;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, extension.c_str(), 0, KEY_READ, merged.put()) !=
        ERROR_SUCCESS) {
      Register(HKEY_CLASSES_ROOT, "", extension, type, command);
    }
  }

  bool is_valid() const {
    for (const auto& key : keys_) {
      if (!key->is_valid()) return false;
    }
    return ok_;
  }

 private:
  void Register(HKEY root, const std::string& prefix, const std::string& extension,
                const std::string& type, const std::string& command) {
    keys_.push_back(std::make_unique<ScratchKey>(prefix + extension, root));
    ok_ = keys_.back()->SetText("", type) && ok_;
    keys_.push_back(std::make_unique<ScratchKey>(prefix + type, root));
    ok_ = keys_.back()->SetText("shell\\open\\command", "", command) && ok_;
  }

  std::vector<std::unique_ptr<ScratchKey>> keys_;
  bool ok_ = true;
};

TEST(ShellWinTest, FindsTheProgramRegisteredForAnExtension) {
  ScratchFolder scratch;
  const std::string program = scratch.Path("Viewer Folder\\viewer.exe");
  ASSERT_TRUE(OperatingSystemFiles().CreateFolder(scratch.Path("Viewer Folder")));
  WriteText(scratch.Native("Viewer Folder\\viewer.exe"), "MZ");
  const ScratchFileType type(".qtest", "Quintarel.QTest", "\"" + program + "\" \"%1\"");
  ASSERT_TRUE(type.is_valid());

  const std::set<std::string> probes_before = ProbeFiles();
  const std::optional<std::string> found = OperatingSystemShell().FindAssociatedProgram("qtest");
  ASSERT_TRUE(found.has_value());
  EXPECT_TRUE(::lstrcmpiA(LongPath(FolderPart(*found)).c_str(),
                          LongPath(FolderPart(program)).c_str()) == 0)
      << *found;
  EXPECT_EQ(ProbeFiles(), probes_before);
}

TEST(ShellWinTest, NothingForAnUnknownOrUnusableExtensionAndNoProbeLeft) {
  const std::set<std::string> probes_before = ProbeFiles();
  const std::string extensions[] = {"qnotregistered", "", "..\\qtest", "a/b", "q*",
                                    std::string(300, 'q')};
  for (const std::string& extension : extensions) {
    SCOPED_TRACE(extension);
    EXPECT_EQ(OperatingSystemShell().FindAssociatedProgram(extension), std::nullopt);
  }
  EXPECT_EQ(ProbeFiles(), probes_before);
}

std::string Describe(const FolderEntry& entry) {
  return entry.name + (entry.is_folder ? " folder" : "") + (entry.is_link ? " link" : "");
}

TEST(FileSystemWinListTest, ListsInTheSystemsOrderWithFolderFlags) {
  ScratchFolder scratch;
  FileSystem& files = OperatingSystemFiles();
  ASSERT_TRUE(files.CreateFolder(scratch.Path("c")));
  ASSERT_TRUE(files.CreateFolder(scratch.Path("A folder")));
  ASSERT_TRUE(files.CreateFolder(scratch.Path("v1.2")));
  WriteText(scratch.Native("b.txt"), "b");
  WriteText(scratch.Native("a.txt"), "a");
  WriteText(scratch.Native("hidden"), "h");
  ASSERT_TRUE(::SetFileAttributesA(scratch.Path("hidden").c_str(), FILE_ATTRIBUTE_HIDDEN));

  std::vector<FolderEntry> entries;
  ASSERT_TRUE(files.ListFolder(scratch.Path(), &entries));
  std::vector<std::string> described;
  for (const FolderEntry& entry : entries) described.push_back(Describe(entry));
  // Wine returns names sorted without regard to case, as NTFS does.
  EXPECT_THAT(described,
              ElementsAre("A folder folder", "a.txt", "b.txt", "c folder", "hidden", "v1.2 folder"));
}

}  // namespace
}  // namespace quintarel
