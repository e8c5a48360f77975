// Kestrune.dll as the updater uses it, under Wine: loaded by its full path,
// both exports bound by name through their one typed declaration, and run on
// a product prepared in the current user's registry, a scratch installation
// folder and the all-users application-data folder. The product's names are
// fixed in the library, so every test here needs them to itself (ctest runs
// them one at a time) and removes them afterwards.
#include <windows.h>
#include <aclapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "envlib/kestrune_exports_win.h"
#include "envlib/library_messages_win.h"
#include "package/name_form.h"
#include "platform/name_form_win.h"
#include "platform/scoped_handle_win.h"
#include "platform/shell_folders.h"
#include "tests/support/planted_link_win.h"
#include "tests/support/everyone_rights_win.h"
#include "tests/support/scratch_folder.h"

namespace quintarel {
namespace {

namespace fs = std::filesystem;
using testing::PlantedLink;
using testing::ReadBytes;
using testing::EveryoneRights;
using testing::ScratchFolder;
using testing::WriteText;

constexpr char kCompanyKey[] = "Software\\Quintarel Corporation";
constexpr char kOldKey[] = "Software\\Quintarel Corporation\\Tessaline";
constexpr char kNewKey[] = "Software\\Quintarel Corporation\\Tessa Line";
constexpr char kCompanyFolder[] = "Quintarel Corporation";
constexpr char kProductFolder[] = "Tessa Line";

// Set in a copy of this program that Wine runs as an older Windows; the
// value names that Windows.
constexpr char kOldWindowsVariable[] = "QUINTAREL_KESTRUNE_OLD_WINDOWS";
// Where that copy records that its checks ran: a skipped test also ends with 0.
constexpr char kOldWindowsRanVariable[] = "QUINTAREL_KESTRUNE_OLD_WINDOWS_RAN";

std::string Sz(const std::string& text) { return text + '\0'; }

// The test spells every name and text in UTF-8, so that the registry and
// file dumps below name everything exactly, whatever the code page.
std::string Utf8(std::wstring_view text) {
  return Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}
std::string Utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }
std::wstring Wide(std::string_view text) {
  const std::optional<std::u16string> units = Utf16FromUtf8(text);
  return units ? std::wstring(units->begin(), units->end()) : std::wstring();
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// ---- Registry, read and written with the system's own wide calls ----------

// Text data is given in UTF-8 and stored as the system stores text.
bool SetValue(const std::string& key_path, const std::string& name, DWORD type,
              const std::string& data) {
  std::string stored = data;
  if (IsTextType(type)) {
    const std::wstring text = Wide(data);
    stored.assign(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  }
  ScopedRegistryKey key;
  return ::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key_path).c_str(), 0, nullptr, 0,
                           KEY_ALL_ACCESS, nullptr, key.put(), nullptr) == ERROR_SUCCESS &&
         ::RegSetValueExW(key.get(), Wide(name).c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(stored.data()),
                          static_cast<DWORD>(stored.size())) == ERROR_SUCCESS;
}

bool KeyExists(const std::string& path) {
  ScopedRegistryKey key;
  return ::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, KEY_READ, key.put()) ==
         ERROR_SUCCESS;
}

// Every key and value below path: "[key]\sub" for a key, "\sub\name" for
// a value with its type and data (text in UTF-8, the rest as stored).
using RegistryTree = std::map<std::string, std::pair<DWORD, std::string>>;

void ReadTree(HKEY key, const std::string& prefix, RegistryTree* tree) {
  (*tree)["[key]" + prefix] = {0, ""};
  std::vector<wchar_t> name(32768);
  std::vector<BYTE> data(1 << 16);
  for (DWORD index = 0;; ++index) {
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (::RegEnumValueW(key, index, name.data(), &name_length, nullptr, &type, data.data(),
                        &size) != ERROR_SUCCESS) {
      break;
    }
    std::string stored(reinterpret_cast<const char*>(data.data()), size);
    if (IsTextType(type)) {
      stored = Utf8(std::wstring_view(reinterpret_cast<const wchar_t*>(data.data()), size / 2));
    }
    (*tree)[prefix + "\\" + Utf8(std::wstring_view(name.data(), name_length))] = {type, stored};
  }
  for (DWORD index = 0;; ++index) {
    DWORD name_length = static_cast<DWORD>(name.size());
    if (::RegEnumKeyExW(key, index, name.data(), &name_length, nullptr, nullptr, nullptr,
                        nullptr) != ERROR_SUCCESS) {
      break;
    }
    const std::wstring subkey(name.data(), name_length);
    ScopedRegistryKey child;
    if (::RegOpenKeyExW(key, subkey.c_str(), 0, KEY_READ, child.put()) == ERROR_SUCCESS) {
      ReadTree(child.get(), prefix + "\\" + Utf8(subkey), tree);
    }
  }
}

RegistryTree ReadTree(const std::string& path) {
  RegistryTree tree;
  ScopedRegistryKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, KEY_READ, key.put()) ==
      ERROR_SUCCESS) {
    ReadTree(key.get(), "", &tree);
  }
  return tree;
}

// ---- Files ----------------------------------------------------------------

// Every file below folder with its content, and every folder as "name\",
// names in UTF-8.
std::map<std::string, std::string> ReadFolder(const fs::path& folder) {
  std::map<std::string, std::string> found;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::string relative = Utf8(it->path().lexically_relative(folder).u8string());
    for (char& c : relative) {
      if (c == '/') c = '\\';
    }
    if (it->is_directory()) {
      found[relative + "\\"] = "";
    } else {
      const std::vector<std::uint8_t> bytes = ReadBytes(it->path());
      found[relative] = std::string(bytes.begin(), bytes.end());
    }
  }
  return found;
}

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void RemoveFolderTree(const fs::path& folder) {
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, error);
  }
  fs::remove_all(folder, error);
}

// ---- The library ----------------------------------------------------------

// The product's registry key and shared data folder, which the library
// names itself. The tests run in a Wine prefix of their own, so whatever is
// there was left by an earlier run of these tests: it is removed before each
// test, and what a test creates is removed afterwards, whatever happened in
// between.
class ProductArea {
 public:
  ProductArea() {
    const std::optional<std::string> shared = OperatingSystemShellFolders().CommonApplicationData();
    if (shared) company_folder_ = *shared + "\\" + kCompanyFolder;
    Clear();
  }
  ~ProductArea() { Clear(); }
  ProductArea(const ProductArea&) = delete;
  ProductArea& operator=(const ProductArea&) = delete;

  // Whether the shared folder is known and neither the key nor the company
  // folder is there.
  bool clear() const {
    return !company_folder_.empty() && !KeyExists(kCompanyKey) &&
           ::GetFileAttributesA(company_folder_.c_str()) == INVALID_FILE_ATTRIBUTES;
  }
  const std::string& company_folder() const { return company_folder_; }
  std::string data_folder() const { return company_folder_ + "\\" + kProductFolder; }

 private:
  void Clear() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kCompanyKey);
    if (!company_folder_.empty()) RemoveFolderTree(company_folder_);
  }

  std::string company_folder_;
};

class KestruneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(area_.clear()) << "the shared folder is unknown, or " << kCompanyKey << " or "
                               << area_.company_folder() << " could not be removed";
    library_.reset(::LoadLibraryA(KESTRUNE_PATH));
    ASSERT_TRUE(library_) << KESTRUNE_PATH << ": error " << ::GetLastError();
    do_it_ = EnvironmentExportOf(library_.get(), kDoItExport);
    modify_ = EnvironmentExportOf(library_.get(), kModifyAccessPermissionExport);
    ASSERT_NE(do_it_, nullptr);
    ASSERT_NE(modify_, nullptr);
    root_ = scratch_.Path("Tessa Line Install");
  }

  // The installed product: programs that stay, data that moves.
  void PrepareInstallation() {
    const std::pair<std::string, std::string> files[] = {
        {"Program\\tessa.exe", "program"},
        {"Program\\tessa.dat", "program data"},
        {"setup.exe", "setup"},
        {"help.chm", "help"},
        {"uninst.isu", "uninstaller log"},
        {"readme.exe.txt", "readme"},
        {"TOOL.EXE", "the case counts"},
        {"settings.ini", "[window]\r\nx=1\r\n"},
        {"locked.dat", "read-only data"},
        {"Data\\helper.exe", "helper"},
        {"Data\\program\\nested.txt", "nested program folder"},
        {"Data\\fonts\\glyphs.lib", "glyphs"},
        {"Data\\sub\\deep.txt", std::string(70'000, 'd')},
        {"Templates\\letter.txt", "letter"},
    };
    for (const auto& [name, content] : files) {
      fs::create_directories(scratch_.Native("Tessa Line Install\\" + name).parent_path());
      WriteText(scratch_.Native("Tessa Line Install\\" + name), content);
    }
    ASSERT_TRUE(::SetFileAttributesA((root_ + "\\locked.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  }

  // The old product key with values of several types at every level of a
  // three-level tree, and a destination key that is already there.
  void PrepareRegistry() {
    const std::string old_key = kOldKey;
    const std::string new_key = kNewKey;
    const struct {
      std::string key;
      std::string name;
      DWORD type;
      std::string data;
    } values[] = {
        {old_key, "", REG_SZ, Sz("Tessaline")},
        {old_key, "Version", REG_DWORD, std::string("\x02\x01\0\0", 4)},
        {old_key, "Blob", REG_BINARY, std::string("\x00\x01\x02\xFF", 4)},
        {old_key, "Shared", REG_SZ, Sz("from the old key")},
        {old_key, std::string(300, 'L'), REG_BINARY, std::string(5000, 'v')},
        {old_key + "\\Settings", "Colour", REG_SZ, Sz("blue")},
        {old_key + "\\Settings\\Window", "Width", REG_DWORD, std::string("\x80\x02\0\0", 4)},
        {old_key + "\\Settings\\Window\\Position", "Left", REG_DWORD, std::string("\x10\0\0\0", 4)},
        {old_key + "\\Settings\\Window\\Position", "Monitor", REG_SZ, Sz("primary")},
        {old_key + "\\Path", "Data", REG_SZ, Sz(root_ + "\\Data")},
        {old_key + "\\Path", "Both", REG_SZ, Sz(root_ + "\\Data;" + root_ + "\\Templates")},
        {old_key + "\\Path", "Expandable", REG_EXPAND_SZ, Sz(root_ + "\\Data\\%USERNAME%")},
        {old_key + "\\Path", "Root", REG_SZ, Sz(root_)},
        {old_key + "\\Path", "Sibling", REG_SZ, Sz(root_ + "2\\x")},
        {old_key + "\\Path", "Other case", REG_SZ, Sz(LowerRoot() + "\\Data")},
        {old_key + "\\Path", "Elsewhere", REG_SZ, Sz("D:\\Elsewhere")},
        {old_key + "\\Path", "Binary", REG_BINARY, root_ + "\\"},
        {new_key, "Shared", REG_SZ, Sz("from the new key")},
        {new_key, "Kept", REG_SZ, Sz("kept")},
        {new_key + "\\Existing", "Inside", REG_SZ, Sz("stays")},
        {new_key + "\\Path", "Already", REG_SZ, Sz(root_ + "\\Templates")},
    };
    for (const auto& value : values) {
      ASSERT_TRUE(SetValue(value.key, value.name, value.type, value.data)) << value.name;
    }
  }

  // The root spelt in small letters: for the system the same folder, for the
  // stored-path rewrite another text.
  std::string LowerRoot() const {
    std::string lower = root_;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
  }

  ScratchFolder scratch_;
  ProductArea area_;
  ScopedModule library_;
  EnvironmentExport do_it_ = nullptr;
  EnvironmentExport modify_ = nullptr;
  std::string root_;
};

// The caller's stack pointer, read in a frame of its own so that every call
// from the same place sees the same value.
__attribute__((noinline)) std::uintptr_t StackPointer() {
  std::uintptr_t pointer = 0;
#if defined(__x86_64__)
  asm volatile("mov %%rsp, %0" : "=r"(pointer));
#else
  asm volatile("mov %%esp, %0" : "=r"(pointer));
#endif
  return pointer;
}

// Both exports remove their one argument themselves, as the typed
// declaration says: a wrong convention or argument count would move the
// caller's stack a little with every call.
TEST_F(KestruneTest, ManyCallsLeaveTheCallersStackWhereItWas) {
  const std::string empty = scratch_.Path("empty");
  ASSERT_TRUE(::CreateDirectoryA(empty.c_str(), nullptr));
  constexpr int kCalls = 2000;
  int granted = 0;
  int refused = 0;
  const std::uintptr_t before = StackPointer();
  for (int call = 0; call < kCalls; ++call) {
    granted += modify_(empty.c_str()) & 0xFF;
    refused += do_it_("") & 0xFF;
  }
  const std::uintptr_t after = StackPointer();
  EXPECT_EQ(after, before);
  EXPECT_EQ(granted, kCalls);
  EXPECT_EQ(refused, 0);
}

TEST_F(KestruneTest, DoItMovesTheProductAndASecondRunChangesNothing) {
  PrepareInstallation();
  PrepareRegistry();
  const std::string data = area_.data_folder();

  EXPECT_EQ(do_it_((root_ + "\\").c_str()) & 0xFF, 1);

  EXPECT_FALSE(KeyExists(kOldKey));
  const RegistryTree moved = ReadTree(kNewKey);
  const RegistryTree expected = {
      {"[key]", {0, ""}},
      {"\\", {REG_SZ, Sz("Tessaline")}},
      {"\\Version", {REG_DWORD, std::string("\x02\x01\0\0", 4)}},
      {"\\Blob", {REG_BINARY, std::string("\x00\x01\x02\xFF", 4)}},
      {"\\Shared", {REG_SZ, Sz("from the old key")}},
      {"\\Kept", {REG_SZ, Sz("kept")}},
      {"\\" + std::string(300, 'L'), {REG_BINARY, std::string(5000, 'v')}},
      {"[key]\\Existing", {0, ""}},
      {"\\Existing\\Inside", {REG_SZ, Sz("stays")}},
      {"[key]\\Settings", {0, ""}},
      {"\\Settings\\Colour", {REG_SZ, Sz("blue")}},
      {"[key]\\Settings\\Window", {0, ""}},
      {"\\Settings\\Window\\Width", {REG_DWORD, std::string("\x80\x02\0\0", 4)}},
      {"[key]\\Settings\\Window\\Position", {0, ""}},
      {"\\Settings\\Window\\Position\\Left", {REG_DWORD, std::string("\x10\0\0\0", 4)}},
      {"\\Settings\\Window\\Position\\Monitor", {REG_SZ, Sz("primary")}},
      {"[key]\\Path", {0, ""}},
      {"\\Path\\Data", {REG_SZ, Sz(data + "\\Data")}},
      {"\\Path\\Both", {REG_SZ, Sz(data + "\\Data;" + data + "\\Templates")}},
      {"\\Path\\Expandable", {REG_EXPAND_SZ, Sz(data + "\\Data\\%USERNAME%")}},
      {"\\Path\\Root", {REG_SZ, Sz(data)}},
      {"\\Path\\Sibling", {REG_SZ, Sz(root_ + "2\\x")}},
      {"\\Path\\Other case", {REG_SZ, Sz(LowerRoot() + "\\Data")}},
      {"\\Path\\Elsewhere", {REG_SZ, Sz("D:\\Elsewhere")}},
      {"\\Path\\Binary", {REG_BINARY, root_ + "\\"}},
      {"\\Path\\Already", {REG_SZ, Sz(data + "\\Templates")}},
  };
  EXPECT_EQ(moved, expected);

  const std::map<std::string, std::string> stayed = {
      {"Program\\", ""},
      {"Program\\tessa.exe", "program"},
      {"Program\\tessa.dat", "program data"},
      {"setup.exe", "setup"},
      {"help.chm", "help"},
      {"uninst.isu", "uninstaller log"},
      {"readme.exe.txt", "readme"},
      {"Data\\", ""},
      {"Data\\helper.exe", "helper"},
      {"Data\\program\\", ""},
      {"Data\\program\\nested.txt", "nested program folder"},
  };
  EXPECT_EQ(ReadFolder(root_), stayed);
  const std::map<std::string, std::string> arrived = {
      {"TOOL.EXE", "the case counts"},
      {"settings.ini", "[window]\r\nx=1\r\n"},
      {"locked.dat", "read-only data"},
      {"Data\\", ""},
      {"Data\\fonts\\", ""},
      {"Data\\fonts\\glyphs.lib", "glyphs"},
      {"Data\\sub\\", ""},
      {"Data\\sub\\deep.txt", std::string(70'000, 'd')},
      {"Templates\\", ""},
      {"Templates\\letter.txt", "letter"},
  };
  EXPECT_EQ(ReadFolder(data), arrived);
  EXPECT_FALSE(IsReadOnly(data + "\\locked.dat"));

  const RegistryTree company_before = ReadTree(kCompanyKey);
  EXPECT_EQ(do_it_(root_.c_str()) & 0xFF, 1);
  EXPECT_EQ(ReadTree(kCompanyKey), company_before);
  EXPECT_EQ(ReadFolder(root_), stayed);
  EXPECT_EQ(ReadFolder(data), arrived);
}

// What DoIt grants, read back through the system. Wine stores no lists: it
// keeps Unix mode bits and rebuilds the entries from them (see the notes on
// Wine), so what shows is whether Everyone may write, which no fresh file
// or folder allows. Measured under Wine 8.0, and so not checked here: a
// folder created with a descriptor reads back as one created without (the
// server makes it under its umask), so the company and data folders show
// nothing of the library's security; and a grant on a folder reaches the
// files in it, hiding the read-and-execute grant of a ".lib" file and any
// grant on a file below a granted folder. The entries checked therefore sit
// directly in the data folder, which itself gets no grant.
TEST_F(KestruneTest, MovedFilesAndFoldersAreOpenedToEveryone) {
  PrepareInstallation();
  const auto everyone_writes = [](const std::string& path) {
    return (EveryoneRights(path).value_or(0) & FILE_WRITE_DATA) != 0;
  };
  for (const char* name : {"settings.ini", "locked.dat", "TOOL.EXE", "Data", "Templates"}) {
    ASSERT_FALSE(everyone_writes(root_ + "\\" + name)) << name;
  }

  EXPECT_EQ(do_it_(root_.c_str()) & 0xFF, 1);

  const std::string data = area_.data_folder();
  for (const char* name : {"settings.ini", "locked.dat", "TOOL.EXE", "Data", "Templates"}) {
    EXPECT_TRUE(everyone_writes(data + "\\" + name)) << name;
  }
  // What stayed is not opened up.
  for (const std::string& path :
       {root_ + "\\Program", root_ + "\\Program\\tessa.exe", root_ + "\\setup.exe"}) {
    EXPECT_FALSE(everyone_writes(path)) << path;
  }
}

// Keys, values and files whose names the code page spells alike, or cannot
// spell at all, move under their own names with their own data; none is
// merged into another or left behind, and nothing stops the walk.
TEST_F(KestruneTest, NamesOutsideTheCodePageMoveUnderTheirOwnNames) {
  const std::string japanese = Utf8(u8"\u65E5\u672C\u8A9E");
  const std::pair<std::string, std::string> files[] = {
      {Utf8(u8"\u03A9mega.dat"), "omega"},   {"Omega.dat", "plain"},
      {japanese + ".dat", "nihongo"},          {Utf8(u8"Notes\\\u0100data.txt"), "macron"},
      {"Notes\\b.txt", "after"},
  };
  for (const auto& [name, content] : files) {
    const fs::path path = fs::path(Wide(root_)) / Wide(name);
    fs::create_directories(path.parent_path());
    WriteText(path, content);
  }
  // Key below the product key, value name, type, data.
  const std::tuple<std::string, std::string, DWORD, std::string> values[] = {
      {"", Utf8(u8"\u03A9value"), REG_SZ, Sz("omega")},
      {"", "Ovalue", REG_SZ, Sz("plain")},
      {"", Utf8(u8"\u0414value"), REG_DWORD, std::string("\x01\0\0\0", 4)},
      {"", Utf8(u8"\u0416value"), REG_BINARY, std::string("\x02\x03", 2)},
      {Utf8(u8"\\\u0426\u0432\u0435\u0442"), Utf8(u8"\u0422\u043E\u043D"), REG_SZ, Sz(japanese)},
      {"\\" + japanese, japanese, REG_MULTI_SZ, Sz(Sz(Utf8(u8"\u03B1")) + Sz(Utf8(u8"\u03B2")))},
  };
  RegistryTree expected = {{"[key]", {0, ""}}};
  for (const auto& [key, name, type, data] : values) {
    ASSERT_TRUE(SetValue(kOldKey + key, name, type, data)) << name;
    if (!key.empty()) expected["[key]" + key] = {0, ""};
    expected[key + "\\" + name] = {type, data};
  }

  EXPECT_EQ(do_it_(root_.c_str()) & 0xFF, 1);

  EXPECT_FALSE(KeyExists(kOldKey));
  EXPECT_EQ(ReadTree(kNewKey), expected);
  EXPECT_EQ(ReadFolder(Wide(root_)), (std::map<std::string, std::string>{}));
  std::map<std::string, std::string> arrived(std::begin(files), std::end(files));
  arrived["Notes\\"] = "";
  EXPECT_EQ(ReadFolder(Wide(area_.data_folder())), arrived);
}

TEST_F(KestruneTest, MessagesComeFromTheLibrarysOwnModule) {
  static HMODULE module = nullptr;
  module = library_.get();
  Win32LibraryMessages messages([] { return module; });
  EXPECT_EQ(messages.LoadText(1), "No root path name is specified.");
  EXPECT_EQ(ModuleTitle(library_.get()), "Kestrune");

  const std::string known = SystemErrorText(ERROR_FILE_NOT_FOUND, "a.txt->b.txt");
  EXPECT_EQ(known.rfind("a.txt->b.txt\n", 0), 0u) << known;
  EXPECT_GT(known.size(), std::string("a.txt->b.txt\n").size());
  // A code the system has no words for is shown by its number.
  EXPECT_EQ(SystemErrorText(0x2000ABCD, "x"), "x\n536914893");
}

// ---- Messages as log lines --------------------------------------------------

// Counts and refuses every window the thread tries to create: a box that
// slipped through fails at once instead of waiting.
int windows_created = 0;
LRESULT CALLBACK RefuseWindow(int code, WPARAM wparam, LPARAM lparam) {
  if (code != HCBT_CREATEWND) return ::CallNextHookEx(nullptr, code, wparam, lparam);
  ++windows_created;
  return 1;
}

void WINAPI CollectLine(void* context, const char* text) {
  static_cast<std::vector<std::string>*>(context)->push_back(text);
}

// DoItLogged, bound by its plain name, hands the sink each text that DoIt
// shows in a box, spelt in the code page, creates no window and returns
// DoIt's result; a null sink drops the texts.
TEST_F(KestruneTest, DoItLoggedHandsTheBoxTextsToTheSink) {
  const LoggedEnvironmentExport do_it_logged =
      LoggedEnvironmentExportOf(library_.get(), kDoItLoggedExport);
  ASSERT_NE(do_it_logged, nullptr);
  // A file held open without sharing cannot be copied: DoIt shows the
  // system error box for its move and goes on.
  const std::string name = Utf8(u8"caf\u00E9.dat");
  const std::string from = root_ + "\\" + name;
  fs::create_directories(scratch_.Native("Tessa Line Install"));
  WriteText(fs::path(Wide(from)), "data");
  const ScopedFileHandle held(::CreateFileW(Wide(from).c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  const std::string copy_failed = SystemErrorText(
      ERROR_SHARING_VIOLATION, from + "->" + area_.data_folder() + "\\" + name);
  const std::tuple<const char*, KestruneLogSink, BOOL, std::vector<std::string>> cases[] = {
      {nullptr, &CollectLine, FALSE, {"No root path name is specified."}},
      {root_.c_str(), &CollectLine, TRUE,
       {ConvertName(copy_failed, NameForm::kUtf8, NameForm::kCodePage).value_or("")}},
      {root_.c_str(), nullptr, TRUE, {}},
  };
  const ScopedWindowsHook hook(
      ::SetWindowsHookExW(WH_CBT, &RefuseWindow, nullptr, ::GetCurrentThreadId()));
  ASSERT_TRUE(hook);
  for (const auto& [root, sink, result, want] : cases) {
    std::vector<std::string> lines;
    EXPECT_EQ(do_it_logged(root, sink, &lines), result);
    EXPECT_EQ(lines, want);
  }
  EXPECT_EQ(windows_created, 0);
}

// Under an older Windows only the registry moves. Wine's version setting
// holds per program name, so this test runs a renamed copy of itself for
// each version, which then does the work below.
TEST_F(KestruneTest, OnOlderWindowsOnlyTheRegistryMoves) {
  const char* version = std::getenv(kOldWindowsVariable);
  if (version == nullptr) GTEST_SKIP() << "runs in the copies that OlderWindows starts";

  OSVERSIONINFOA information = {};
  information.dwOSVersionInfoSize = sizeof information;
  ASSERT_TRUE(::GetVersionExA(&information));
  ASSERT_TRUE(information.dwPlatformId != VER_PLATFORM_WIN32_NT || information.dwMajorVersion < 5)
      << "Wine did not take the version " << version;

  PrepareInstallation();
  PrepareRegistry();
  const auto files_before = ReadFolder(root_);
  RegistryTree old_tree = ReadTree(kOldKey);

  EXPECT_EQ(do_it_(root_.c_str()) & 0xFF, 1);
  EXPECT_FALSE(KeyExists(kOldKey));
  const RegistryTree moved = ReadTree(kNewKey);
  // Moved as it was, paths unchanged, merged into what was there.
  for (const auto& [name, value] : old_tree) {
    const auto found = moved.find(name);
    ASSERT_NE(found, moved.end()) << name;
    EXPECT_EQ(found->second, value) << name;
  }
  EXPECT_EQ(moved.at("\\Kept").second, Sz("kept"));
  EXPECT_EQ(moved.at("\\Path\\Already").second, Sz(root_ + "\\Templates"));
  EXPECT_EQ(ReadFolder(root_), files_before);
  EXPECT_EQ(::GetFileAttributesA(area_.company_folder().c_str()), INVALID_FILE_ATTRIBUTES);
  // Tells the test that started this copy that the checks above ran.
  const char* ran = std::getenv(kOldWindowsRanVariable);
  if (ran != nullptr && !HasFailure()) WriteText(ran, version);
}

// ---- Links planted where the data folder belongs ---------------------------

// The library must not carry the product's data, or Everyone's rights,
// through a link that someone planted at the company or the product folder.
TEST_F(KestruneTest, DataFolderPlantedAsALinkStopsTheRun) {
  for (const char* name : {"Tessa Line Install\\settings.ini", "elsewhere\\settings.ini"}) {
    fs::create_directories(scratch_.Native(name).parent_path());
    WriteText(scratch_.Native(name), name);
  }
  const std::string stored = root_ + "\\settings.ini";
  ASSERT_TRUE(SetValue(std::string(kOldKey) + "\\Path", "Settings", REG_SZ, Sz(stored)));
  const std::string target = scratch_.Path("elsewhere");
  const auto root_before = ReadFolder(root_);
  const auto target_before = ReadFolder(target);

  for (const std::string& link : {area_.company_folder(), area_.data_folder()}) {
    SCOPED_TRACE(link);
    if (link == area_.data_folder()) {
      ASSERT_TRUE(::CreateDirectoryA(area_.company_folder().c_str(), nullptr));
    }
    {
      const PlantedLink planted(link, target);
      ASSERT_TRUE(planted.planted()) << "no Unix link could be made here";
      EXPECT_EQ(do_it_(root_.c_str()) & 0xFF, 0);
    }
    EXPECT_EQ(ReadFolder(target), target_before);
    EXPECT_EQ(ReadFolder(root_), root_before);
    EXPECT_EQ(ReadTree(std::string(kNewKey) + "\\Path").at("\\Settings").second, Sz(stored));
  }
}

// A stored path follows the data it names, and keeps naming the program
// that stayed in the installation folder.
TEST_F(KestruneTest, StoredPathsToTheProgramStayWithIt) {
  PrepareInstallation();
  const std::string program = "\"" + root_ + "\\Program\\tessa.exe\" /s";
  ASSERT_TRUE(SetValue(std::string(kOldKey) + "\\Path", "Command", REG_SZ, Sz(program)));
  ASSERT_TRUE(SetValue(std::string(kOldKey) + "\\Path", "Settings", REG_SZ, Sz(root_ + "\\settings.ini")));

  EXPECT_EQ(do_it_(root_.c_str()) & 0xFF, 1);

  const RegistryTree paths = ReadTree(std::string(kNewKey) + "\\Path");
  EXPECT_EQ(paths.at("\\Command").second, Sz(program));
  EXPECT_EQ(paths.at("\\Settings").second, Sz(area_.data_folder() + "\\settings.ini"));
}

// This program's own path.
std::string ProgramPath() {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, length);
}

// Runs command to its end; its exit code, or nothing when it cannot start
// or does not end within a generous while (it must never hang the run).
std::optional<DWORD> RunToEnd(std::string command) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return std::nullopt;
  }
  const ScopedKernelHandle process_handle(process.hProcess);
  const ScopedKernelHandle thread_handle(process.hThread);
  if (::WaitForSingleObject(process.hProcess, 120'000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.hProcess, 1);
    return std::nullopt;
  }
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.hProcess, &code)) return std::nullopt;
  return code;
}

TEST(KestruneOldWindowsTest, OlderWindows) {
  if (std::getenv(kOldWindowsVariable) != nullptr) GTEST_SKIP() << "a copy runs the other test";
  ScratchFolder scratch;
  constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults";
  const bool had_app_defaults = KeyExists(kAppDefaults);
  for (const char* version : {"nt40", "win98"}) {
    SCOPED_TRACE(version);
    const std::string name = std::string("kestrune_") + version + ".exe";
    const std::string copy = scratch.Path(name);
    ASSERT_TRUE(::CopyFileA(ProgramPath().c_str(), copy.c_str(), FALSE));
    const std::string settings = std::string(kAppDefaults) + "\\" + name;
    ASSERT_TRUE(SetValue(settings, "Version", REG_SZ, Sz(version)));
    const std::string ran = scratch.Path(std::string(version) + ".ran");
    ASSERT_TRUE(::SetEnvironmentVariableA(kOldWindowsVariable, version));
    ASSERT_TRUE(::SetEnvironmentVariableA(kOldWindowsRanVariable, ran.c_str()));
    const std::optional<DWORD> code =
        RunToEnd("\"" + copy + "\" --gtest_filter=KestruneTest.OnOlderWindowsOnlyTheRegistryMoves");
    ::SetEnvironmentVariableA(kOldWindowsVariable, nullptr);
    ::SetEnvironmentVariableA(kOldWindowsRanVariable, nullptr);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, settings.c_str());
    EXPECT_EQ(code, 0u);
    EXPECT_NE(::GetFileAttributesA(ran.c_str()), INVALID_FILE_ATTRIBUTES) << "the copy ran no checks";
  }
  if (!had_app_defaults) ::RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults);
}

}  // namespace
}  // namespace quintarel
