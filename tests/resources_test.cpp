// The updater's and Kestrune.dll's compiled resources, read back the way
// Windows reads them: string tables per language, dialog templates, the
// picture, the icon, the manifest and the version resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "resources/resource_ids.h"
#include "resources/version.h"
#include "platform/version_resource.h"

namespace quintarel {
namespace {

constexpr WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr int kStringsPerBlock = 16;

// Texts as the program sees them in the system code page: 1252 for English,
// 932 for Japanese, so these are the bytes each must come out as.
struct ExpectedString {
  int id;
  const char* english;
  const char* japanese;
};

constexpr ExpectedString kUpdaterStrings[] = {
    {101, "&About...",
     "&About..."},
    {102, "\r\nClick [Next].",
     "\r\n[\x8e\x9f\x82\xd6] \x82\xf0\x83\x4e\x83\x8a\x83\x62\x83\x4e\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42"},
    {103, "Click [Browse] and specify a location for the program.",
     "[\x8e\x51\x8f\xc6]\x82\xf0\x83\x4e\x83\x8a\x83\x62\x83\x4e\x82\xb5\x82\xc4\x81\x41\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80\x82\xcc\x8f\xea\x8f\x8a\x82\xf0\x8e\x77\x92\xe8\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42"},
    {104, "The newest version of the program is already installed.\r\nTo quit the upgrade, click [Cancel].\r\nTo continue with installation, click [Next].",
     "\x90\x56\x82\xb5\x82\xa2\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x82\xcc\x83\x5c\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41\x82\xaa\x82\xb7\x82\xc5\x82\xc9\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81\x42\r\n\x8d\xec\x8b\xc6\x82\xf0\x92\x86\x8e\x7e\x82\xb7\x82\xe9\x82\xc9\x82\xcd[\xb7\xac\xdd\xbe\xd9]\x82\xf0\x81\x41\r\n\x82\xa9\x82\xdc\x82\xed\x82\xb8\x91\xb1\x82\xaf\x82\xe9\x82\xc9\x82\xcd[\x8e\x9f\x82\xd6]\x82\xf0\x83\x4e\x83\x8a\x83\x62\x83\x4e\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42"},
    {105, "Please read the entire software license agreement.\r\nIf you agree, click [Agree].\r\nIf you do not agree, click [Disagree].",
     "\x83\x5c\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41\x8e\x67\x97\x70\x8b\x96\x91\xf8\x8f\x91\x82\xf0\x8d\xc5\x8c\xe3\x82\xdc\x82\xc5\x82\xa8\x93\xc7\x82\xdd\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42\r\n\x93\xaf\x88\xd3\x82\xa2\x82\xbd\x82\xbe\x82\xaf\x82\xe9\x82\xc6\x82\xab\x82\xcd[\x93\xaf\x88\xd3\x82\xb7\x82\xe9]\x81\x41\r\n\x93\xaf\x88\xd3\x82\xa2\x82\xbd\x82\xbe\x82\xaf\x82\xc8\x82\xa2\x82\xc6\x82\xab\x82\xcd[\x93\xaf\x88\xd3\x82\xb5\x82\xc8\x82\xa2]\x82\xf0\x83\x4e\x83\x8a\x83\x62\x83\x4e\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42"},
    {106, "The program is ready to be upgraded.\r\nClick [Finish] to upgrade.",
     "\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x83\x41\x83\x62\x83\x76\x82\xcc\x8f\x80\x94\xf5\x82\xaa\x82\xc5\x82\xab\x82\xdc\x82\xb5\x82\xbd\x81\x42\r\n[\x8a\xae\x97\xb9]\x82\xf0\x83\x4e\x83\x8a\x83\x62\x83\x4e\x82\xb7\x82\xe9\x82\xc6\x81\x41\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x83\x41\x83\x62\x83\x76\x82\xb5\x82\xdc\x82\xb7\x81\x42"},
    {107, "< &Back",
     "< \x96\xdf\x82\xe9(&B)"},
    {108, "&Next >",
     "\x8e\x9f\x82\xd6(&N) >"},
    {109, "Cancel",
     "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b"},
    {110, "B&rowse",
     "\x8e\x51\x8f\xc6(&R)"},
    {111, "&Agree",
     "\x93\xaf\x88\xd3\x82\xb7\x82\xe9(&A)"},
    {112, "&Disagree",
     "\x93\xaf\x88\xd3\x82\xb5\x82\xc8\x82\xa2(&D)"},
    {113, "&Finish",
     "\x8a\xae\x97\xb9(&F)"},
    {114, "One or more files require for upgrading cannot be found.\r\nThe operation is stopped.",
     "\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x83\x41\x83\x62\x83\x76\x82\xc9\x95\x4b\x97\x76\x82\xc8\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x82\xdd\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\r\n\x8d\xec\x8b\xc6\x82\xf0\x92\x86\x8e\x7e\x82\xb5\x82\xdc\x82\xb7"},
    {115, "The file %s was not found.\r\nInstall %s.",
     "%s \x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x42\r\n%s \x82\xf0\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42"},
    {116, "The file %s was not found.\r\nContinue searching?",
     "%s \x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\r\n\x8c\x9f\x8d\xf5\x82\xf0\x91\xb1\x82\xaf\x82\xdc\x82\xb7\x82\xa9\x81\x48"},
    {117, "The installed version cannot be upgraded.\r\nInstall version %s or later and try again.",
     "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xe9\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x82\xa9\x82\xe7\x82\xcd\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x83\x41\x83\x62\x83\x76\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42\r\nVer %s \x88\xc8\x8d\x7e\x82\xcc\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x82\xd6\x83\x41\x83\x62\x83\x76\x82\xb5\x82\xc4\x82\xa9\x82\xe7\x8d\xc4\x93\x78\x8e\xc0\x8d\x73\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42"},
    {118, "Please specify a folder.\r\nSubfolders will also be searched for the file.",
     "\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xf0\x8e\x77\x92\xe8\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42\r\n\x89\xba\x91\x77\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xf0\x8a\xdc\x82\xdf\x82\xc4\x83\x74\x83\x48\x83\x8b\x83\x5f\x88\xc8\x8d\x7e\x82\xf0\x83\x74\x83\x40\x83\x43\x83\x8b\x8c\x9f\x8d\xf5\x82\xb5\x82\xdc\x82\xb7\x81\x42"},
    {119, "Program location\r\n",
     "\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80\x82\xcc\x8f\xea\x8f\x8a\r\n"},
    {120, "unknown",
     "\x95\x73\x96\xbe"},
    {122, "The program was upgraded successfully.",
     "\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x83\x41\x83\x62\x83\x76\x82\xaa\x90\xb3\x8f\xed\x82\xc9\x8f\x49\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd"},
    {124, "Failed to write file.\r\nThe upgrade did not finish successfully.",
     "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xaa\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42\r\n\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x83\x41\x83\x62\x83\x76\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42"},
    {125, "The upgrade is complete, but these old files are still in use and could not be removed:%s\r\nThe updater removes them the next time it runs.",
     "\x83o\x81[\x83W\x83\x87\x83\x93\x83" "A\x83" "b\x83v\x82\xcd\x8a\xae\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x82\xaa\x81" "A\x8e\x9f\x82\xcc\x8c\xc3\x82\xa2\x83t\x83@\x83" "C\x83\x8b\x82\xcd\x8eg\x97p\x92\x86\x82\xcc\x82\xbd\x82\xdf\x8d\xed\x8f\x9c\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81" "B%s\r\n\x8e\x9f\x89\xf1\x83" "A\x83" "b\x83v\x83" "f\x81[\x83^\x81[\x82\xf0\x8e\xc0\x8ds\x82\xb5\x82\xbd\x82\xc6\x82\xab\x82\xc9\x8d\xed\x8f\x9c\x82\xb3\x82\xea\x82\xdc\x82\xb7\x81" "B"},
    {57344, "Updater",
     "Updater"},
};

std::uint16_t Word(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                    static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

std::uint32_t Dword(std::string_view bytes, std::size_t offset) {
  return Word(bytes, offset) | static_cast<std::uint32_t>(Word(bytes, offset + 2)) << 16;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR out) {
  reinterpret_cast<std::set<WORD>*>(out)->insert(language);
  return TRUE;
}

// Every language in which the resource exists.
std::set<WORD> LanguagesOf(HMODULE module, LPCSTR type, int id) {
  std::set<WORD> languages;
  ::EnumResourceLanguagesA(module, type, MAKEINTRESOURCEA(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

// The resource's bytes in exactly that language; empty when absent.
std::string_view ResourceBytes(HMODULE module, LPCSTR type, int id, WORD language) {
  HRSRC info = ::FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
  if (info == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(module, info);
  if (loaded == nullptr) return {};
  return {static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(module, info)};
}

std::string Narrow(std::u16string_view text, UINT code_page) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(code_page, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(code_page, 0, wide, length, out.data(), size, nullptr, nullptr);
  return out;
}

// Reads a UTF-16 string at offset: the counted form of string tables.
std::u16string Utf16(std::string_view bytes, std::size_t offset, std::size_t count) {
  std::u16string text;
  for (std::size_t i = 0; i < count; ++i)
    text.push_back(static_cast<char16_t>(Word(bytes, offset + 2 * i)));
  return text;
}

// Every non-empty string of a module's table in one language, by id,
// converted to the code page.
std::map<int, std::string> StringTable(HMODULE module, WORD language, UINT code_page) {
  std::map<int, std::string> table;
  for (int block = 1; block <= 0x1000; ++block) {
    const std::string_view bytes = ResourceBytes(module, RT_STRING, block, language);
    std::size_t offset = 0;
    for (int i = 0; i < kStringsPerBlock && offset + 2 <= bytes.size(); ++i) {
      const std::uint16_t length = Word(bytes, offset);
      offset += 2;
      if (length != 0) {
        table[(block - 1) * kStringsPerBlock + i] = Narrow(Utf16(bytes, offset, length), code_page);
      }
      offset += 2u * length;
    }
  }
  return table;
}

TEST(UpdaterResourcesTest, StringTablesHoldExactlyTheTextsInBothLanguages) {
  HMODULE self = ::GetModuleHandleA(nullptr);
  std::map<int, std::string> english, japanese;
  for (const ExpectedString& s : kUpdaterStrings) {
    english[s.id] = s.english;
    japanese[s.id] = s.japanese;
    EXPECT_EQ(LanguagesOf(self, RT_STRING, s.id / kStringsPerBlock + 1),
              (std::set<WORD>{kEnglish, kJapanese}))
        << "string " << s.id;
  }
  EXPECT_EQ(StringTable(self, kEnglish, 1252), english);
  EXPECT_EQ(StringTable(self, kJapanese, 932), japanese);
}

// One control or the dialog itself as a classic DLGTEMPLATE describes it.
struct TemplateItem {
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;
  std::string window_class;  // lower case; predefined atoms by name
  std::string text;          // "#n" for an ordinal
};

struct DialogTemplate {
  TemplateItem window;
  int point_size = 0;
  std::string font;
  std::vector<TemplateItem> controls;
};

class TemplateReader {
 public:
  explicit TemplateReader(std::string_view bytes) : bytes_(bytes) {}

  DialogTemplate Read() {
    DialogTemplate dialog;
    dialog.window.style = Dword();
    dialog.window.ex_style = Dword();
    const int count = Word();
    ReadRect(dialog.window);
    SzOrOrd();  // menu
    dialog.window.window_class = SzOrOrd();
    dialog.window.text = SzOrOrd();
    if (dialog.window.style & DS_SETFONT) {
      dialog.point_size = Word();
      dialog.font = SzOrOrd();
    }
    for (int i = 0; i < count; ++i) {
      offset_ = (offset_ + 3) & ~std::size_t{3};
      TemplateItem item;
      item.style = Dword();
      item.ex_style = Dword();
      ReadRect(item);
      item.id = Word();
      item.window_class = ClassName(SzOrOrd());
      item.text = SzOrOrd();
      offset_ += Word();  // creation data
      dialog.controls.push_back(item);
    }
    return dialog;
  }

 private:
  std::uint16_t Word() {
    const std::uint16_t value = quintarel::Word(bytes_, offset_);
    offset_ += 2;
    return value;
  }
  std::uint32_t Dword() {
    const std::uint32_t value = quintarel::Dword(bytes_, offset_);
    offset_ += 4;
    return value;
  }
  void ReadRect(TemplateItem& item) {
    item.x = static_cast<std::int16_t>(Word());
    item.y = static_cast<std::int16_t>(Word());
    item.cx = static_cast<std::int16_t>(Word());
    item.cy = static_cast<std::int16_t>(Word());
  }
  std::string SzOrOrd() {
    if (quintarel::Word(bytes_, offset_) == 0xFFFF) {
      offset_ += 2;
      return "#" + std::to_string(Word());
    }
    std::u16string text;
    for (std::uint16_t c = Word(); c != 0; c = Word()) text.push_back(static_cast<char16_t>(c));
    return Narrow(text, 1252);
  }
  static std::string ClassName(std::string name) {
    if (name == "#128") return "button";
    if (name == "#129") return "edit";
    if (name == "#130") return "static";
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
  }

  std::string_view bytes_;
  std::size_t offset_ = 0;
};

// What a control must be: class, text and place (a negative size is not
// checked: icons take their own), its type within the class's type field,
// and the style bits it must and must not have.
struct ExpectedControl {
  int id;
  const char* window_class;
  const char* text;
  int x, y, cx, cy;
  DWORD type;
  DWORD required;
  DWORD forbidden;
};

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;

DWORD TypeMask(const std::string& window_class) {
  if (window_class == "static") return SS_TYPEMASK;
  if (window_class == "button") return BS_TYPEMASK;
  return 0;
}

void ExpectControls(const DialogTemplate& dialog, const std::vector<ExpectedControl>& expected) {
  ASSERT_EQ(dialog.controls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const TemplateItem& got = dialog.controls[i];
    const ExpectedControl& want = expected[i];
    SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(want.id));
    EXPECT_EQ(static_cast<std::uint16_t>(got.id), static_cast<std::uint16_t>(want.id));
    EXPECT_EQ(got.window_class, want.window_class);
    EXPECT_EQ(got.text, want.text);
    EXPECT_EQ((std::vector<int>{got.x, got.y}), (std::vector<int>{want.x, want.y}));
    if (want.cx >= 0) {
      EXPECT_EQ((std::vector<int>{got.cx, got.cy}), (std::vector<int>{want.cx, want.cy}));
    }
    EXPECT_EQ(got.style & TypeMask(got.window_class), want.type) << std::hex << got.style;
    EXPECT_EQ(got.style & want.required, want.required) << std::hex << got.style;
    EXPECT_EQ(got.style & want.forbidden, 0u) << std::hex << got.style;
  }
}

DialogTemplate ReadDialog(int id, WORD language) {
  const std::string_view bytes =
      ResourceBytes(::GetModuleHandleA(nullptr), RT_DIALOG, id, language);
  EXPECT_GE(bytes.size(), 18u);
  if (bytes.size() < 18) return {};
  EXPECT_NE(Dword(bytes, 0), 0xFFFF0001u) << "expected a classic template";
  return TemplateReader(bytes).Read();
}

constexpr DWORD kPopupDialog = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

TEST(UpdaterResourcesTest, WizardTemplate) {
  HMODULE self = ::GetModuleHandleA(nullptr);
  EXPECT_EQ(LanguagesOf(self, RT_DIALOG, IDD_WIZARD), std::set<WORD>{kEnglish});
  const DialogTemplate dialog = ReadDialog(IDD_WIZARD, kEnglish);
  EXPECT_EQ(dialog.window.style & ~DWORD{DS_SETFONT}, kPopupDialog | WS_VISIBLE);
  EXPECT_EQ(dialog.window.ex_style, DWORD{WS_EX_APPWINDOW});
  EXPECT_EQ((std::vector<int>{dialog.window.cx, dialog.window.cy}), (std::vector<int>{316, 216}));
  EXPECT_EQ(dialog.window.text, "Updater");
  EXPECT_EQ(dialog.point_size, 8);
  EXPECT_EQ(dialog.font, "MS Sans Serif");
  const DWORD edit = WS_CHILD | ES_MULTILINE | ES_READONLY;
  const char* copyright = "Copyright (C) Quintarel Corporation";
  ExpectControls(
      dialog,
      {
          {1000, "static", "", 6, 4, 82, 172, SS_BLACKFRAME, WS_CHILD, WS_VISIBLE},
          {1001, "edit", "", 94, 6, 216, 26, 0, edit | WS_VISIBLE, WS_BORDER},
          {1002, "edit", "", 94, 36, 216, 134, 0, edit | WS_BORDER | WS_VSCROLL | ES_WANTRETURN,
           WS_VISIBLE},
          {1006, "static", copyright, 7, 180, 161, 8, SS_LEFT, kShown | SS_CENTERIMAGE | SS_NOTIFY,
           0},
          {0xFFFF, "static", "", 4, 192, 308, 1, SS_ETCHEDHORZ, kShown, 0},
          {1003, "button", "< Back", 148, 198, 50, 14, BS_PUSHBUTTON, kShown, WS_DISABLED},
          {1004, "button", "Next >", 203, 198, 50, 14, BS_DEFPUSHBUTTON, kShown, WS_DISABLED},
          {1005, "button", "Cancel", 258, 198, 50, 14, BS_PUSHBUTTON, kShown, WS_DISABLED},
          {1007, "button", "Browse...", 258, 174, 50, 14, BS_PUSHBUTTON, WS_CHILD,
           WS_VISIBLE | WS_DISABLED},
      });
}

TEST(UpdaterResourcesTest, AboutTemplate) {
  const DialogTemplate dialog = ReadDialog(IDD_ABOUT, kEnglish);
  EXPECT_EQ(dialog.window.style & ~DWORD{DS_SETFONT}, kPopupDialog);
  EXPECT_EQ((std::vector<int>{dialog.window.cx, dialog.window.cy}), (std::vector<int>{198, 55}));
  EXPECT_EQ(dialog.window.text, "About");
  EXPECT_EQ(dialog.font, "MS Sans Serif");
  ExpectControls(dialog, {
                             {0xFFFF, "static", "#128", 12, 14, -1, -1, SS_ICON, kShown, 0},
                             {1002, "static", "", 2, 3, 194, 8, SS_CENTER, kShown, 0},
                             {1008, "static", "Version 0.0", 42, 30, 90, 8, SS_CENTER,
                              kShown | SS_NOPREFIX, 0},
                             {0xFFFF, "static", "Copyright (C) Quintarel Corporation", 4, 42, 188,
                              8, SS_CENTER, kShown, 0},
                             {IDOK, "button", "OK", 138, 18, 50, 14, BS_DEFPUSHBUTTON, kShown, 0},
                         });
}

TEST(UpdaterResourcesTest, ProgressTemplateExistsOnlyInJapanese) {
  EXPECT_EQ(LanguagesOf(::GetModuleHandleA(nullptr), RT_DIALOG, IDD_PROGRESS),
            std::set<WORD>{kJapanese});
  const DialogTemplate dialog = ReadDialog(IDD_PROGRESS, kJapanese);
  EXPECT_EQ(dialog.window.style & ~DWORD{DS_SETFONT}, kPopupDialog | WS_VISIBLE);
  EXPECT_EQ((std::vector<int>{dialog.window.cx, dialog.window.cy}), (std::vector<int>{186, 79}));
  EXPECT_EQ(dialog.window.text, "Updater - Creating update archive...");
  EXPECT_EQ(dialog.point_size, 8);
  EXPECT_EQ(dialog.font, "MS Sans Serif");
  ExpectControls(dialog,
                 {
                     {1005, "static", "", 13, 7, 158, 8, SS_LEFT, kShown, 0},
                     {1004, "static", " 0 %", 85, 23, 18, 8, SS_LEFT, kShown, 0},
                     {1003, "msctls_progress32", "", 15, 34, 154, 13, 0, kShown | WS_BORDER, 0},
                     {IDCANCEL, "button", "Cancel", 67, 58, 50, 14, BS_DEFPUSHBUTTON, kShown, 0},
                 });
}

TEST(UpdaterResourcesTest, PictureIsAn8BitBottomUpBitmapWithAFullColourTable) {
  HMODULE self = ::GetModuleHandleA(nullptr);
  const std::set<WORD> languages = LanguagesOf(self, RT_BITMAP, IDB_WIZARD_PICTURE);
  ASSERT_EQ(languages.size(), 1u);
  const std::string_view dib =
      ResourceBytes(self, RT_BITMAP, IDB_WIZARD_PICTURE, *languages.begin());
  constexpr std::size_t kHeaderSize = 40, kColours = 256, kStride = 120, kHeight = 209;
  ASSERT_EQ(dib.size(), kHeaderSize + 4 * kColours + kStride * kHeight);
  EXPECT_EQ(Dword(dib, 0), kHeaderSize);
  EXPECT_EQ(static_cast<std::int32_t>(Dword(dib, 4)), 118);
  EXPECT_EQ(static_cast<std::int32_t>(Dword(dib, 8)), 209);  // positive: bottom-up
  EXPECT_EQ(Word(dib, 12), 1);                               // planes
  EXPECT_EQ(Word(dib, 14), 8);                               // bits per pixel
  EXPECT_EQ(Dword(dib, 16), DWORD{BI_RGB});
  EXPECT_EQ(Dword(dib, 32), 0u);  // colours used: all 256
}

TEST(UpdaterResourcesTest, IconHasThreeSizesInTwoDepths) {
  HMODULE self = ::GetModuleHandleA(nullptr);
  const std::set<WORD> languages = LanguagesOf(self, RT_GROUP_ICON, IDI_PROGRAM);
  ASSERT_EQ(languages.size(), 1u);
  const std::string_view group =
      ResourceBytes(self, RT_GROUP_ICON, IDI_PROGRAM, *languages.begin());
  ASSERT_GE(group.size(), 6u);
  const int count = Word(group, 4);
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::set<std::pair<int, int>> images;  // size, bits per pixel
  for (int i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 14 * i;
    const int size = static_cast<unsigned char>(group[entry]);
    const int bits = Word(group, entry + 6);
    images.insert({size, bits});
    // Each image: an info header of twice the height (colour bits, then the
    // mask) agreeing with its directory entry.
    const std::string_view image =
        ResourceBytes(self, RT_ICON, Word(group, entry + 12), *languages.begin());
    ASSERT_GE(image.size(), 40u);
    EXPECT_EQ(image.size(), Dword(group, entry + 8));
    EXPECT_EQ(static_cast<std::int32_t>(Dword(image, 4)), size);
    EXPECT_EQ(static_cast<std::int32_t>(Dword(image, 8)), 2 * size);
    EXPECT_EQ(Word(image, 14), bits);
  }
  EXPECT_EQ(images, (std::set<std::pair<int, int>>{
                        {16, 8}, {32, 8}, {48, 8}, {16, 32}, {32, 32}, {48, 32}}));
}

TEST(UpdaterResourcesTest, ManifestAsksForHighestAvailableAndCommonControls6) {
  HMODULE self = ::GetModuleHandleA(nullptr);
  const std::set<WORD> languages = LanguagesOf(self, RT_MANIFEST, 1);
  ASSERT_EQ(languages.size(), 1u);
  const std::string_view manifest = ResourceBytes(self, RT_MANIFEST, 1, *languages.begin());
  EXPECT_NE(
      manifest.find(R"(<requestedExecutionLevel level="highestAvailable" uiAccess="false"/>)"),
      std::string_view::npos);
  // The loader took the manifest: the process's activation context sends
  // comctl32.dll to the side-by-side version 6. (Asking the context, rather
  // than loading the library, keeps the test away from the desktop.)
  ACTCTX_SECTION_KEYED_DATA data{};
  data.cbSize = sizeof(data);
  EXPECT_TRUE(::FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                         "comctl32.dll", &data));
}

// A string value of a module's version resource.
std::string VersionString(const std::string& path, const char* name) {
  DWORD ignored = 0;
  std::vector<char> block(::GetFileVersionInfoSizeA(path.c_str(), &ignored));
  if (block.empty() ||
      !::GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
    return "(no version resource)";
  }
  void* value = nullptr;
  UINT length = 0;
  const std::string key = std::string("\\StringFileInfo\\040904b0\\") + name;
  if (!::VerQueryValueA(block.data(), key.c_str(), &value, &length)) return "(missing)";
  return static_cast<const char*>(value);
}

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(module, path, MAX_PATH);
  return path;
}

struct ExpectedVersionResource {
  std::string path;
  const char* description;
  const char* original_file_name;
};

void ExpectVersionResource(const ExpectedVersionResource& expected) {
  SCOPED_TRACE(expected.path);
  VersionResource version;
  std::string text;
  ASSERT_TRUE(version.VersionText(expected.path, text));
  EXPECT_EQ(text, std::to_string(QUINTAREL_VERSION_MAJOR) + "." +
                      std::to_string(QUINTAREL_VERSION_MINOR));
  EXPECT_EQ(version.VersionNumber(expected.path),
            QUINTAREL_VERSION_MAJOR * 100 + QUINTAREL_VERSION_MINOR * 10 + QUINTAREL_VERSION_PATCH);
  EXPECT_EQ(VersionString(expected.path, "CompanyName"), "Quintarel Corporation");
  EXPECT_EQ(VersionString(expected.path, "ProductName"), "Quintarel Updater");
  EXPECT_EQ(VersionString(expected.path, "FileVersion"), QUINTAREL_VERSION_TEXT);
  EXPECT_EQ(VersionString(expected.path, "ProductVersion"), QUINTAREL_VERSION_TEXT);
  EXPECT_EQ(VersionString(expected.path, "FileDescription"), expected.description);
  EXPECT_EQ(VersionString(expected.path, "OriginalFilename"), expected.original_file_name);
}

TEST(UpdaterResourcesTest, VersionResourceCarriesTheProjectVersion) {
  ExpectVersionResource(
      {ModulePath(::GetModuleHandleA(nullptr)), "Quintarel Updater", "updater.exe"});
}

TEST(KestruneResourcesTest, VersionResourceAndTheOneJapaneseTaggedString) {
  ExpectVersionResource({KESTRUNE_RESOURCE_PROBE, "Quintarel Environment Library", "Kestrune.dll"});
  HMODULE library = ::LoadLibraryExA(KESTRUNE_RESOURCE_PROBE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(LanguagesOf(library, RT_STRING, IDS_KESTRUNE_NO_ROOT_PATH / kStringsPerBlock + 1),
            std::set<WORD>{kJapanese});
  EXPECT_EQ(
      StringTable(library, kJapanese, 1252),
      (std::map<int, std::string>{{IDS_KESTRUNE_NO_ROOT_PATH, "No root path name is specified."}}));
  ::FreeLibrary(library);
}

}  // namespace
}  // namespace quintarel
