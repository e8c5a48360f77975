#include <windows.h>

#include <vector>

#include "platform/registry.h"
#include "platform/scoped_handle_win.h"

namespace quintarel {

namespace {

// Registry values are far smaller; this only keeps the size within a DWORD.
constexpr std::size_t kMaxCapacity = 1u << 20;

class Win32RegistryKey final : public RegistryKey {
 public:
  explicit Win32RegistryKey(ScopedRegistryKey key) : key_(std::move(key)) {}

  std::optional<std::string> QueryText(const std::string& name, std::size_t capacity) override {
    if (capacity > kMaxCapacity) capacity = kMaxCapacity;
    // Never a null buffer: with one the system reports the size and succeeds.
    std::vector<BYTE> data(capacity + 1);
    DWORD size = static_cast<DWORD>(capacity);
    if (::RegQueryValueExA(key_.get(), name.c_str(), nullptr, nullptr, data.data(), &size) !=
            ERROR_SUCCESS ||
        size > capacity) {
      return std::nullopt;
    }
    // Data need not end in NUL, nor be text at all: take what precedes the
    // first NUL within what was stored.
    std::string text(reinterpret_cast<const char*>(data.data()), size);
    return text.substr(0, text.find('\0'));
  }

 private:
  ScopedRegistryKey key_;
};

class Win32Registry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenForRead(RegistryRoot root, const std::string& path) override {
    const HKEY parent = root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    ScopedRegistryKey key;
    // KEY_READ: a standard user may read the machine's App Paths but not
    // open them for writing.
    if (::RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(std::move(key));
  }
};

}  // namespace

Registry& OperatingSystemRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace quintarel
