#include "updater/wizard/wizard_dialog_win.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "package/fixed_coding.h"
#include "platform/scoped_handle_win.h"
#include "resources/resource_ids.h"
#include "updater/wizard/about_box_win.h"

namespace quintarel {

namespace {

// The picture resource: a bitmap information header, its colour table
// (blue, green, red, reserved per entry), then the pixel rows.
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kWidthOffset = 4;
constexpr std::size_t kHeightOffset = 8;
constexpr std::size_t kBitCountOffset = 14;
constexpr std::size_t kColoursUsedOffset = 32;
constexpr std::size_t kColourEntrySize = 4;
constexpr WORD kPaletteVersion = 0x300;

// The buttons that take the focus, in order of preference. The focused
// button is the default one, so Cancel comes last: with Next disabled, Enter
// must not end the wizard.
constexpr int kFocusButtons[] = {IDC_WIZARD_NEXT, IDC_WIZARD_BROWSE, IDC_WIZARD_BACK,
                                 IDC_WIZARD_CANCEL};

struct PaletteTraits {
  using Handle = HPALETTE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::DeleteObject(handle); }
};
using ScopedPalette = ScopedHandle<PaletteTraits>;

// The client area's device context, released when done.
class ClientDc {
 public:
  explicit ClientDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~ClientDc() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  ClientDc(const ClientDc&) = delete;
  ClientDc& operator=(const ClientDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A palette selected into a device context as the foreground palette and
// realised; the previous one is selected back at the end.
class PaletteSelection {
 public:
  PaletteSelection(HDC dc, HPALETTE palette) : dc_(dc), previous_(::SelectPalette(dc, palette, FALSE)) {
    ::RealizePalette(dc);
  }
  ~PaletteSelection() {
    if (previous_ != nullptr) ::SelectPalette(dc_, previous_, TRUE);
  }
  PaletteSelection(const PaletteSelection&) = delete;
  PaletteSelection& operator=(const PaletteSelection&) = delete;

 private:
  HDC dc_;
  HPALETTE previous_;
};

std::uint32_t ColourCount(std::uint32_t colours_used, std::uint16_t bit_count) {
  if (colours_used != 0) return colours_used;
  switch (bit_count) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

// The picture as its resource holds it; the pointers stay valid for the
// life of the module.
struct Picture {
  const BITMAPINFO* info = nullptr;
  const void* bits = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<PALETTEENTRY> colours;
};

// False when the resource is missing or does not hold what its header says.
bool LoadPicture(Picture& picture) {
  const HMODULE module = ::GetModuleHandleA(nullptr);
  HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(IDB_WIZARD_PICTURE), MAKEINTRESOURCEA(2));
  if (found == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(module, found);
  const auto* data = static_cast<const std::uint8_t*>(loaded == nullptr ? nullptr : ::LockResource(loaded));
  const std::size_t size = ::SizeofResource(module, found);
  if (data == nullptr || size < kInfoHeaderSize) return false;

  const std::uint32_t count =
      ColourCount(DecodeFixed32(data + kColoursUsedOffset), DecodeFixed16(data + kBitCountOffset));
  const std::size_t bits_offset = kInfoHeaderSize + std::size_t{kColourEntrySize} * count;
  if (bits_offset > size) return false;
  picture.info = reinterpret_cast<const BITMAPINFO*>(data);
  picture.bits = data + bits_offset;
  picture.width = static_cast<std::int32_t>(DecodeFixed32(data + kWidthOffset));
  picture.height = static_cast<std::int32_t>(DecodeFixed32(data + kHeightOffset));
  // The picture is stored bottom-up; anything else is not ours to draw.
  if (picture.width <= 0 || picture.height <= 0) return false;
  picture.colours.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = data + kInfoHeaderSize + kColourEntrySize * i;
    picture.colours[i] = PALETTEENTRY{entry[2], entry[1], entry[0], 0};
  }
  return true;
}

ScopedPalette CreatePictureColours(const std::vector<PALETTEENTRY>& colours) {
  std::vector<std::uint8_t> block(sizeof(LOGPALETTE) + colours.size() * sizeof(PALETTEENTRY));
  auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
  palette->palVersion = kPaletteVersion;
  palette->palNumEntries = static_cast<WORD>(colours.size());
  for (std::size_t i = 0; i < colours.size(); ++i) palette->palPalEntry[i] = colours[i];
  return ScopedPalette(::CreatePalette(palette));
}

}  // namespace

WizardDialog::WizardDialog(const WizardServices& services, Win32UserInterface& ui)
    : services_(services),
      ui_(ui),
      icon_(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM))) {}

WizardDialog::~WizardDialog() = default;

void WizardDialog::Run(const std::string& archive_path) {
  archive_path_ = archive_path;
  heading_.clear();
  body_.clear();
  context_ = std::make_unique<WizardContext>(services_);
  RunModal(IDD_WIZARD, nullptr);
  ui_.SetMainWindow(nullptr);
  context_.reset();
}

void WizardDialog::SetButton(int control_id, const std::string& caption, bool enabled, bool visible) {
  HWND button = ::GetDlgItem(hwnd(), control_id);
  ::EnableWindow(button, enabled ? TRUE : FALSE);
  ::SetWindowTextA(button, caption.c_str());
  ::ShowWindow(button, visible ? SW_SHOW : SW_HIDE);
  KeepFocusUsable();
}

void WizardDialog::SetHeading(const std::string& text) {
  heading_ = text;
  ShowTexts();
}

void WizardDialog::SetBody(const std::optional<std::string>& text) {
  body_ = text.value_or(std::string());
  ::ShowWindow(::GetDlgItem(hwnd(), IDC_WIZARD_BODY), text ? SW_SHOW : SW_HIDE);
  ShowTexts();
}

void WizardDialog::SetCaption(const std::string& text) { ::SetWindowTextA(hwnd(), text.c_str()); }

void WizardDialog::End(WizardResult result) { ::EndDialog(hwnd(), static_cast<INT_PTR>(result)); }

INT_PTR WizardDialog::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      Open();
      // Open placed the focus itself.
      return FALSE;
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED) return FALSE;
      OnCommand(LOWORD(wparam));
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) != IDM_ABOUT) return FALSE;
      ShowAbout();
      return TRUE;
    case WM_PAINT:
      ::DefWindowProcA(hwnd(), message, wparam, lparam);
      PaintPicture();
      return TRUE;
    case WM_QUERYNEWPALETTE:
      // No palette is kept between paints: the next paint realises it.
      RepaintAll();
      ::SetWindowLongPtrA(hwnd(), DWLP_MSGRESULT, FALSE);
      return TRUE;
    case WM_PALETTECHANGED: {
      HWND changer = reinterpret_cast<HWND>(wparam);
      if (changer != hwnd() && !::IsChild(hwnd(), changer)) RepaintAll();
      return TRUE;
    }
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(icon_);
    case WM_DESTROY:
      ui_.SetMainWindow(nullptr);
      return FALSE;
    default:
      return FALSE;
  }
}

void WizardDialog::Open() {
  ui_.SetMainWindow(hwnd());
  // Read-only text: Tab goes past the heading (the body stays reachable so
  // that a licence can be scrolled from the keyboard).
  HWND heading = ::GetDlgItem(hwnd(), IDC_WIZARD_HEADING);
  ::SetWindowLongPtrA(heading, GWL_STYLE, ::GetWindowLongPtrA(heading, GWL_STYLE) & ~LONG_PTR{WS_TABSTOP});
  ShowTexts();

  if (HMENU menu = ::GetSystemMenu(hwnd(), FALSE)) {
    const std::string about = services_.strings.LoadText(IDS_ABOUT_MENU);
    if (!about.empty()) {
      ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuA(menu, MF_STRING, IDM_ABOUT, about.c_str());
    }
  }
  ::SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));

  bool built = false;
  try {
    built = context_->BuildSteps(*this, archive_path_);
  } catch (const std::exception&) {
    built = false;
  }
  if (!built) {
    ui_.ShowMessage(services_.strings.LoadText(IDS_FILES_MISSING), MessageIcon::kInformation);
    End(WizardResult::kNotBuilt);
    return;
  }
  for (const int id : kFocusButtons) {
    HWND button = ::GetDlgItem(hwnd(), id);
    if (::IsWindowEnabled(button) && ::IsWindowVisible(button)) {
      ::SetFocus(button);
      break;
    }
  }
}

void WizardDialog::OnCommand(int id) {
  switch (id) {
    case IDOK:
      End(WizardResult::kOk);
      break;
    case IDCANCEL:
      End(WizardResult::kCancel);
      break;
    case IDC_WIZARD_BACK:
      context_->Back();
      break;
    case IDC_WIZARD_NEXT:
      context_->Next();
      break;
    case IDC_WIZARD_CANCEL:
      context_->Cancel();
      break;
    case IDC_WIZARD_BROWSE:
      context_->Browse();
      break;
    default:
      break;
  }
}

void WizardDialog::ShowTexts() {
  ::SetDlgItemTextA(hwnd(), IDC_WIZARD_HEADING, heading_.c_str());
  ::SetDlgItemTextA(hwnd(), IDC_WIZARD_BODY, body_.c_str());
}

void WizardDialog::KeepFocusUsable() {
  if (::GetActiveWindow() != hwnd()) return;
  HWND focus = ::GetFocus();
  if (focus != nullptr && ::IsChild(hwnd(), focus) && ::IsWindowEnabled(focus) && ::IsWindowVisible(focus)) {
    return;
  }
  for (const int id : kFocusButtons) {
    HWND button = ::GetDlgItem(hwnd(), id);
    if (::IsWindowEnabled(button) && ::IsWindowVisible(button)) {
      ::SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
      return;
    }
  }
}

void WizardDialog::PaintPicture() {
  Picture picture;
  if (!LoadPicture(picture)) return;
  RECT frame = {};
  ::GetWindowRect(::GetDlgItem(hwnd(), IDC_WIZARD_PICTURE_FRAME), &frame);
  ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&frame), 2);
  const int x = frame.left + (frame.right - frame.left - picture.width) / 2;
  const int y = frame.top + (frame.bottom - frame.top - picture.height) / 2;

  const ScopedPalette palette = CreatePictureColours(picture.colours);
  const ClientDc dc(hwnd());
  if (dc.get() == nullptr) return;
  const PaletteSelection selection(dc.get(), palette.get());
  ::SetDIBitsToDevice(dc.get(), x, y, static_cast<DWORD>(picture.width), static_cast<DWORD>(picture.height),
                      0, 0, 0, static_cast<UINT>(picture.height), picture.bits, picture.info,
                      DIB_RGB_COLORS);
}

void WizardDialog::RepaintAll() { ::InvalidateRect(hwnd(), nullptr, TRUE); }

void WizardDialog::ShowAbout() {
  char title[256] = {};
  ::GetWindowTextA(hwnd(), title, sizeof title);
  AboutBox(services_.versions, title).Run(hwnd());
}

}  // namespace quintarel
