// The Win32 platform services against the real system (here: Wine): the
// registry, the shell's file associations and shell folders, folder
// listings and the system's version. Registry state lives in scratch keys
// under HKEY_CURRENT_USER that each test creates and removes; each test has
// its own, since ctest runs them side by side in one prefix.
#include <windows.h>
#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "package/file_system.h"
#include "package/text.h"
#include "platform/name_form_win.h"
#include "platform/registry.h"
#include "platform/scoped_handle_win.h"
#include "platform/shell.h"
#include "platform/shell_folders.h"
#include "platform/shell_links.h"
#include "platform/system_profile.h"
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

// A scratch key path of the running test's own.
std::string TestKeyPath() {
  return std::string("Software\\Quintarel Platform Test ") +
         ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

struct ValueCase {
  const char* label;
  const char* name;
  std::size_t capacity;
  std::optional<std::string> expected;
};

TEST(RegistryWinTest, QueryTextReadsWhatFitsAsTextUpToTheFirstNul) {
  ScratchKey scratch(TestKeyPath());
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
  ScratchKey scratch(TestKeyPath());
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

// Text as the system stores it, with its terminating NUL.
std::string Sz(const std::string& text) { return text + '\0'; }

// Every value of key by name: enumeration order is the system's (Wine sorts
// by name), so the test does not depend on it.
std::map<std::string, std::pair<std::uint32_t, std::string>> AllValues(RegistryKey& key) {
  std::map<std::string, std::pair<std::uint32_t, std::string>> values;
  for (std::uint32_t index = 0;; ++index) {
    std::optional<RegistryValue> value = key.EnumerateValue(index);
    if (!value) break;
    values[value->name] = {value->type, value->data};
  }
  return values;
}

std::vector<std::string> AllSubkeys(RegistryKey& key) {
  std::vector<std::string> names;
  for (std::uint32_t index = 0;; ++index) {
    std::optional<std::string> name = key.EnumerateSubkey(index);
    if (!name) break;
    names.push_back(*name);
  }
  return names;
}

TEST(RegistryWinTest, ValuesOfEveryTypeAndSizeRoundTripWhole) {
  ScratchKey scratch(TestKeyPath());
  ASSERT_TRUE(scratch.is_valid());
  Registry& registry = OperatingSystemRegistry();
  auto key = registry.OpenForWrite(RegistryRoot::kCurrentUser, scratch.path());
  ASSERT_NE(key, nullptr);

  // Names and data longer than the 260-byte buffers the system's own
  // examples use; a value that does not fit must not end the enumeration.
  std::string long_data(5000, '\0');
  for (std::size_t i = 0; i < long_data.size(); ++i) long_data[i] = static_cast<char>(i * 7);
  const RegistryValue written[] = {
      {"Text", REG_SZ, Sz("C:\\Data")},
      {"Expandable", REG_EXPAND_SZ, Sz("%TEMP%\\x")},
      {"Several", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
      {"Number", REG_DWORD, std::string("\x2A\0\0\0", 4)},
      {"Empty binary", REG_BINARY, ""},
      {"", REG_SZ, Sz("default")},
      {std::string(300, 'n'), REG_SZ, Sz("long name")},
      {"Long data", REG_BINARY, long_data},
      {"Zz after the long ones", REG_SZ, Sz("last")},
  };
  std::map<std::string, std::pair<std::uint32_t, std::string>> expected;
  for (const RegistryValue& value : written) {
    SCOPED_TRACE(value.name.substr(0, 20));
    ASSERT_TRUE(key->SetValue(value));
    expected[value.name] = {value.type, value.data};
  }
  EXPECT_EQ(AllValues(*key), expected);

  // A value of the same name is replaced, type and all.
  ASSERT_TRUE(key->SetValue({"Number", REG_SZ, Sz("now text")}));
  expected["Number"] = {REG_SZ, Sz("now text")};
  auto reopened = registry.OpenForRead(RegistryRoot::kCurrentUser, scratch.path());
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(AllValues(*reopened), expected);
  EXPECT_EQ(reopened->EnumerateValue(static_cast<std::uint32_t>(expected.size())), std::nullopt);

  // The narrow calls would cut such a name at its NUL and write another value.
  EXPECT_FALSE(key->SetValue({std::string("Text\0more", 9), REG_SZ, Sz("x")}));
  EXPECT_EQ(AllValues(*key), expected);
}

TEST(RegistryWinTest, KeysAreCreatedOpenedEnumeratedAndDeletedLeafFirst) {
  ScratchKey scratch(TestKeyPath());
  ASSERT_TRUE(scratch.is_valid());
  Registry& registry = OperatingSystemRegistry();
  const std::string deep = scratch.path() + "\\One\\Two\\Three";
  EXPECT_EQ(registry.OpenForWrite(RegistryRoot::kCurrentUser, deep), nullptr);
  // Create makes the keys above too, and opens a key that is there.
  ASSERT_NE(registry.Create(RegistryRoot::kCurrentUser, deep), nullptr);
  ASSERT_NE(registry.Create(RegistryRoot::kCurrentUser, deep), nullptr);

  auto top = registry.OpenForWrite(RegistryRoot::kCurrentUser, scratch.path());
  ASSERT_NE(top, nullptr);
  const std::string long_name(255, 'k');  // the longest a key name may be
  ASSERT_NE(top->CreateSubkey(long_name), nullptr);
  auto made = top->CreateSubkey("Made");
  ASSERT_NE(made, nullptr);
  ASSERT_TRUE(made->SetValue({"Inside", REG_SZ, Sz("i")}));
  ASSERT_NE(top->CreateSubkey("Made"), nullptr);  // opened again, not emptied
  auto opened = top->OpenSubkey("Made");
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(AllValues(*opened).count("Inside"), 1u);
  EXPECT_EQ(top->OpenSubkey("Missing"), nullptr);

  std::vector<std::string> subkeys = AllSubkeys(*top);
  std::sort(subkeys.begin(), subkeys.end());
  EXPECT_THAT(subkeys, ElementsAre("Made", "One", long_name));
  EXPECT_EQ(top->EnumerateSubkey(3), std::nullopt);

  // "" would name the key itself: never opened, created or deleted as a child.
  EXPECT_EQ(top->OpenSubkey(""), nullptr);
  EXPECT_EQ(top->CreateSubkey(""), nullptr);
  EXPECT_FALSE(top->DeleteSubkey(""));
  EXPECT_FALSE(registry.DeleteKey(RegistryRoot::kCurrentUser, ""));

  // A key with subkeys stays; leaves go.
  EXPECT_FALSE(top->DeleteSubkey("One"));
  EXPECT_FALSE(registry.DeleteKey(RegistryRoot::kCurrentUser, scratch.path() + "\\One\\Two"));
  EXPECT_TRUE(registry.DeleteKey(RegistryRoot::kCurrentUser, deep));
  EXPECT_TRUE(top->DeleteSubkey("One\\Two"));
  EXPECT_TRUE(top->DeleteSubkey("One"));
  opened.reset();
  made.reset();
  EXPECT_TRUE(top->DeleteSubkey("Made"));
  EXPECT_TRUE(top->DeleteSubkey(long_name));
  EXPECT_FALSE(top->DeleteSubkey("Made"));
  EXPECT_TRUE(AllSubkeys(*top).empty());
  EXPECT_TRUE(registry.OpenForRead(RegistryRoot::kCurrentUser, scratch.path()) != nullptr);
}

TEST(ShellFoldersWinTest, CommonApplicationDataIsTheAllUsersFolder) {
  const std::optional<std::string> folder =
      OperatingSystemShellFolders().CommonApplicationData();
  ASSERT_TRUE(folder.has_value());
  // What Wine (and Windows since Vista) report.
  EXPECT_EQ(::lstrcmpiA(folder->c_str(), "C:\\ProgramData"), 0) << *folder;
  const DWORD attributes = ::GetFileAttributesA(folder->c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// A link file made as an installer makes one.
void MakeLink(const std::string& path, const std::string& target) {
  ComPointer<IShellLinkA> link;
  ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IShellLinkA,
                                              reinterpret_cast<void**>(link.put())));
  ASSERT_HRESULT_SUCCEEDED(link->SetPath(target.c_str()));
  ComPointer<IPersistFile> file;
  ASSERT_HRESULT_SUCCEEDED(
      link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())));
  wchar_t wide[MAX_PATH];
  ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  ASSERT_HRESULT_SUCCEEDED(file->Save(wide, TRUE));
}

TEST(ShellLinksWinTest, LinksAreReadAndTurnedAndShortNamesCompare) {
  ScratchFolder scratch;
  ShellLinks& links = OperatingSystemShellLinks();
  ASSERT_TRUE(links.BeginSession());
  const std::string program = scratch.Path("Long Program Name.exe");
  const std::string next = scratch.Path("Next Program.exe");
  WriteText(scratch.Native("Long Program Name.exe"), "x");
  WriteText(scratch.Native("Next Program.exe"), "y");
  const std::string link = scratch.Path("App.lnk");
  MakeLink(link, program);

  const std::optional<std::string> target = links.ReadTarget(link);
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(::lstrcmpiA(target->c_str(), program.c_str()), 0) << *target;
  // Every spelling of a file has the same short form; a missing file none.
  const std::optional<std::string> short_program = links.ShortPath(program);
  ASSERT_TRUE(short_program.has_value());
  EXPECT_EQ(short_program->find(' '), std::string::npos) << *short_program;
  EXPECT_EQ(links.ShortPath(*short_program), short_program);
  EXPECT_EQ(links.ShortPath(scratch.Path("Missing File Name.exe")), std::nullopt);

  ASSERT_TRUE(links.SetTarget(link, next));
  const std::optional<std::string> turned = links.ReadTarget(link);
  ASSERT_TRUE(turned.has_value());
  EXPECT_EQ(::lstrcmpiA(turned->c_str(), next.c_str()), 0) << *turned;

  EXPECT_EQ(links.ReadTarget(program), std::nullopt);
  EXPECT_EQ(links.ReadTarget(scratch.Path("missing.lnk")), std::nullopt);
  EXPECT_FALSE(links.SetTarget(scratch.Path("missing.lnk"), next));
  EXPECT_EQ(::GetFileAttributesA(scratch.Path("missing.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  links.EndSession();
}

// A name beside a destination that fits MAX_PATH may not fit it itself; the
// extended-length form, made full first, is never refused for its length.
TEST(NameFormWinTest, LongPathsTakeTheExtendedLengthForm) {
  const std::wstring part(120, L'p');
  const std::wstring long_path = L"C:\\" + part + L"\\" + part + L"\\name.dll.~0123abcd";
  struct Case {
    const char* label;
    std::wstring path;
    std::wstring expected;
  };
  const Case cases[] = {
      {"short", L"C:\\Apps\\.\\a.txt", L"C:\\Apps\\.\\a.txt"},
      {"a folder of 247", L"C:\\" + std::wstring(244, L'f'), L"C:\\" + std::wstring(244, L'f')},
      {"a folder of 248", L"C:\\" + std::wstring(245, L'f'), L"\\\\?\\C:\\" + std::wstring(245, L'f')},
      {"long", long_path, L"\\\\?\\" + long_path},
      {"dots and slashes", L"C:\\" + part + L"\\.\\x\\..\\" + part + L"/name.dll.~0123abcd",
       L"\\\\?\\" + long_path},
      {"network", L"\\\\server\\share\\" + part + L"\\" + part,
       L"\\\\?\\UNC\\server\\share\\" + part + L"\\" + part},
      {"already extended", L"\\\\?\\" + long_path, L"\\\\?\\" + long_path},
  };
  for (const Case& c : cases) EXPECT_EQ(ExtendedWhenLong(c.path), c.expected) << c.label;
}

// Shortcut targets are compared as the system compares names, so a letter
// of the code page beyond ASCII matches in either case.
TEST(TextWinTest, NamesCompareWithoutCaseAsTheSystemComparesThem) {
  std::string upper;
  std::string lower;
  for (int byte = 0x80; byte <= 0xFF && upper.empty(); ++byte) {
    char folded = static_cast<char>(byte);
    ::CharLowerBuffA(&folded, 1);
    if (folded != static_cast<char>(byte) && !::IsDBCSLeadByte(static_cast<BYTE>(byte))) {
      upper.assign(1, static_cast<char>(byte));
      lower.assign(1, folded);
    }
  }
  if (upper.empty()) GTEST_SKIP() << "the code page has no letters with case beyond ASCII";
  struct Case {
    std::string a;
    std::string b;
    bool equal;
  };
  const Case cases[] = {
      {"C:\\PROGRA~1\\" + upper + "T\\A.EXE", "c:\\progra~1\\" + lower + "t\\a.exe", true},
      {"C:\\PROGRA~1\\A.EXE", "C:\\PROGRA~1\\B.EXE", false},
      {"C:\\A.EXE", "C:\\A.EXE2", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(EqualsIgnoringCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
  }
}

TEST(SystemProfileWinTest, TheTestPrefixReportsTheNtLineFromVersion5) {
  const WindowsVersion version = OperatingSystemProfile().Version();
  EXPECT_EQ(version.platform_id, 2u);
  EXPECT_GE(version.major, 5u);
  EXPECT_TRUE(IsWindows2000OrLater(version));
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
