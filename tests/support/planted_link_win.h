#ifndef TESTS_SUPPORT_PLANTED_LINK_WIN_H_
#define TESTS_SUPPORT_PLANTED_LINK_WIN_H_

#include <windows.h>

#include <optional>
#include <string>

#include "package/name_form.h"
#include "platform/scoped_handle_win.h"

namespace quintarel::testing {

// A Unix symbolic link at path (spelt in UTF-8) to target, which Wine shows
// with the reparse-point attribute, removed again when the object goes away.
// Wine can make neither junctions nor such links itself (its calls report
// success and change nothing), so the Unix tools make and remove it. Wine
// starts them detached, with no process to wait for: the result is polled.
class PlantedLink {
 public:
  PlantedLink(const std::string& path, const std::string& target) : path_(path) {
    RunUnix("ln -s \"" + UnixPathOf(target) + "\" \"" + UnixPathOf(path) + "\"", true);
  }
  ~PlantedLink() { RunUnix("rm -f \"" + UnixPathOf(path_) + "\"", false); }
  PlantedLink(const PlantedLink&) = delete;
  PlantedLink& operator=(const PlantedLink&) = delete;

  bool planted() const {
    const DWORD attributes = ::GetFileAttributesW(Wide(path_).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  }

 private:
  static std::wstring Wide(const std::string& path) {
    const std::optional<std::u16string> units = Utf16FromUtf8(path);
    return units ? std::wstring(units->begin(), units->end()) : std::wstring();
  }

  static std::string UnixPathOf(const std::string& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto unix_file_name =
        GetFunction<UnixFileName>(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (unix_file_name == nullptr) return "";
    const ScopedHeapBlock<char*> unix_path(unix_file_name(Wide(path).c_str()));
    return unix_path ? std::string(unix_path.get()) : "";
  }

  void RunUnix(const std::string& command, bool until_planted) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command_line = "Z:\\bin\\" + command;
    if (!::CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
      return;
    }
    const ScopedKernelHandle process_handle(process.hProcess);
    const ScopedKernelHandle thread_handle(process.hThread);
    const auto done = [&] {
      return until_planted ? planted() : ::GetFileAttributesW(Wide(path_).c_str()) == INVALID_FILE_ATTRIBUTES;
    };
    for (int attempt = 0; attempt < 2000 && !done(); ++attempt) ::Sleep(10);
  }

  std::string path_;
};

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_PLANTED_LINK_WIN_H_
