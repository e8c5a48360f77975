// An installed program for the wizard scenarios to find and upgrade. Only
// its file name and its version resource matter; run, it does nothing.
// Started with "/wait" it keeps running, as a user's open program does,
// with a hidden window "Sample Running" that tells a scenario it has
// started, until it is killed.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  if (std::strstr(command_line, "/wait") == nullptr) return 0;
  if (::CreateWindowExA(0, "STATIC", "Sample Running", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                        nullptr, nullptr, nullptr) == nullptr) {
    return 1;
  }
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}
