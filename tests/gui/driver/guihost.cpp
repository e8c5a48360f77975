// guihost: a small windowed helper for the GUI scenarios.
//   guihost keepalive          keeps one window open in the prefix, so that
//                              Wine does not stop its desktop between
//                              scenarios (the next start would wait ~10 s)
//   guihost browse OUT TITLE   shows the folder browser and writes the chosen
//                              path to OUT; exit 0 when one was chosen, 1 on
//                              cancel (the driver's own folder-browser check)
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>

// The project's handle owners; the helper is built without the project's
// include folder, hence the relative path.
#include "platform/scoped_handle_win.h"

namespace quintarel::gui {

namespace {

constexpr char kKeepAliveClass[] = "QuintarelGuiKeepAlive";
constexpr char kKeepAliveCaption[] = "guihost keep-alive";

LRESULT CALLBACK KeepAliveProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

int KeepAlive(HINSTANCE instance) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = KeepAliveProcedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = kKeepAliveClass;
  if (::RegisterClassA(&window_class) == 0) return 1;
  // One pixel in the corner: it must be a shown window to count, and must
  // not cover what the screenshots show.
  HWND window = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kKeepAliveClass, kKeepAliveCaption,
                                  WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}

int Browse(const char* out_path, const char* title) {
  const ComScope com;
  char display_name[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.pszDisplayName = display_name;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  const ScopedItemList chosen(::SHBrowseForFolderA(&info));
  if (!chosen) return 1;
  char path[MAX_PATH] = {};
  if (!::SHGetPathFromIDListA(chosen.get(), path)) return 1;
  std::FILE* out = std::fopen(out_path, "wb");
  if (out == nullptr) return 2;
  std::fputs(path, out);
  std::fclose(out);
  return 0;
}

}  // namespace

}  // namespace quintarel::gui

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc == 2 && std::strcmp(__argv[1], "keepalive") == 0) return quintarel::gui::KeepAlive(instance);
  if (__argc == 4 && std::strcmp(__argv[1], "browse") == 0) return quintarel::gui::Browse(__argv[2], __argv[3]);
  return 3;
}
