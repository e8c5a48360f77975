#include <windows.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/registry.h"
#include "platform/scoped_handle_win.h"

namespace quintarel {

namespace {

// Registry values are far smaller; this only keeps the size within a DWORD.
constexpr std::size_t kMaxCapacity = 1u << 20;
// A value may grow between sizing the buffers and reading it; give up after
// this many rounds rather than chase it for ever.
constexpr int kEnumerationAttempts = 8;

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The narrow API stops a name at its first NUL, which would then name
// another key or value.
bool HasNul(const std::string& name) { return name.find('\0') != std::string::npos; }

// A subkey name that leads somewhere else: "" is the key itself.
bool IsSubkeyName(const std::string& name) { return !name.empty() && !HasNul(name); }

// The longest subkey name, value name and value data of key, as the system
// counts them (names in characters without the NUL).
struct KeyLimits {
  DWORD subkey_name = 0;
  DWORD value_name = 0;
  DWORD value_data = 0;
};

bool QueryLimits(HKEY key, KeyLimits* limits) {
  return ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &limits->subkey_name, nullptr,
                            nullptr, &limits->value_name, &limits->value_data, nullptr,
                            nullptr) == ERROR_SUCCESS;
}

// Room for a name of length characters and its NUL: double, since one
// character of a double-byte code page takes two bytes.
DWORD NameCapacity(DWORD length) { return 2 * length + 2; }

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

  std::optional<std::string> EnumerateSubkey(std::uint32_t index) override {
    KeyLimits limits;
    if (!QueryLimits(key_.get(), &limits)) return std::nullopt;
    DWORD capacity = NameCapacity(limits.subkey_name);
    for (int attempt = 0; attempt < kEnumerationAttempts; ++attempt) {
      std::vector<char> name(capacity);
      DWORD length = capacity;
      const LONG result = ::RegEnumKeyExA(key_.get(), index, name.data(), &length, nullptr, nullptr,
                                          nullptr, nullptr);
      if (result == ERROR_SUCCESS) return std::string(name.data(), length);
      if (result != ERROR_MORE_DATA) return std::nullopt;
      capacity *= 2;
    }
    return std::nullopt;
  }

  std::optional<RegistryValue> EnumerateValue(std::uint32_t index) override {
    KeyLimits limits;
    if (!QueryLimits(key_.get(), &limits)) return std::nullopt;
    DWORD name_capacity = NameCapacity(limits.value_name);
    // Never a null data buffer: with one the system reports only the size.
    DWORD data_capacity = limits.value_data + 1;
    for (int attempt = 0; attempt < kEnumerationAttempts; ++attempt) {
      std::vector<char> name(name_capacity);
      std::vector<BYTE> data(data_capacity);
      DWORD name_length = name_capacity;
      DWORD data_size = data_capacity;
      DWORD type = 0;
      const LONG result = ::RegEnumValueA(key_.get(), index, name.data(), &name_length, nullptr,
                                          &type, data.data(), &data_size);
      if (result == ERROR_SUCCESS) {
        RegistryValue value;
        value.name.assign(name.data(), name_length);
        value.type = type;
        value.data.assign(reinterpret_cast<const char*>(data.data()), data_size);
        return value;
      }
      if (result != ERROR_MORE_DATA) return std::nullopt;
      // The data size comes back as needed; the name's does not, so grow it.
      name_capacity *= 2;
      data_capacity = std::max(data_size, 2 * data_capacity);
    }
    return std::nullopt;
  }

  bool SetValue(const RegistryValue& value) override {
    if (HasNul(value.name) || value.data.size() > std::numeric_limits<DWORD>::max()) return false;
    return ::RegSetValueExA(key_.get(), value.name.c_str(), 0, value.type,
                            reinterpret_cast<const BYTE*>(value.data.data()),
                            static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
  }

  bool DeleteValue(const std::string& name) override {
    return !HasNul(name) && ::RegDeleteValueA(key_.get(), name.c_str()) == ERROR_SUCCESS;
  }

  bool DeleteSubkey(const std::string& name) override {
    // RegDeleteKeyA with "" would delete this very key.
    return IsSubkeyName(name) && ::RegDeleteKeyA(key_.get(), name.c_str()) == ERROR_SUCCESS;
  }

  std::unique_ptr<RegistryKey> OpenSubkey(const std::string& name) override {
    if (!IsSubkeyName(name)) return nullptr;
    ScopedRegistryKey subkey;
    if (::RegOpenKeyExA(key_.get(), name.c_str(), 0, KEY_ALL_ACCESS, subkey.put()) !=
        ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(std::move(subkey));
  }

  std::unique_ptr<RegistryKey> CreateSubkey(const std::string& name) override {
    if (!IsSubkeyName(name)) return nullptr;
    ScopedRegistryKey subkey;
    if (::RegCreateKeyExA(key_.get(), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, subkey.put(), nullptr) != ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(std::move(subkey));
  }

 private:
  ScopedRegistryKey key_;
};

class Win32Registry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenForRead(RegistryRoot root, const std::string& path) override {
    // KEY_READ: a standard user may read the machine's App Paths but not
    // open them for writing.
    return Open(root, path, KEY_READ);
  }

  std::unique_ptr<RegistryKey> OpenForWrite(RegistryRoot root, const std::string& path) override {
    return Open(root, path, KEY_ALL_ACCESS);
  }

  std::unique_ptr<RegistryKey> Create(RegistryRoot root, const std::string& path) override {
    if (!IsSubkeyName(path)) return nullptr;
    ScopedRegistryKey key;
    if (::RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(std::move(key));
  }

  bool DeleteKey(RegistryRoot root, const std::string& path) override {
    return IsSubkeyName(path) && ::RegDeleteKeyA(RootKey(root), path.c_str()) == ERROR_SUCCESS;
  }

 private:
  static std::unique_ptr<RegistryKey> Open(RegistryRoot root, const std::string& path,
                                           REGSAM access) {
    if (HasNul(path)) return nullptr;
    ScopedRegistryKey key;
    if (::RegOpenKeyExA(RootKey(root), path.c_str(), 0, access, key.put()) != ERROR_SUCCESS) {
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
