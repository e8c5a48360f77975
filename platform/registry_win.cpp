#include <windows.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/name_form_win.h"
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

// The system stops a name at its first NUL, which would then name another
// key or value.
bool HasNul(const std::string& name) { return name.find('\0') != std::string::npos; }

// A subkey name that leads somewhere else: "" is the key itself.
bool IsSubkeyName(const std::string& name) { return !name.empty() && !HasNul(name); }

// The types whose data is text: the system spells it as it spells names, so
// it is converted with them. Other data passes as bytes.
bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The longest subkey name, value name and value data of key, as the system
// counts them (names in characters without the NUL).
struct KeyLimits {
  DWORD subkey_name = 0;
  DWORD value_name = 0;
  DWORD value_data = 0;
};

bool QueryLimits(HKEY key, KeyLimits* limits) {
  return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &limits->subkey_name, nullptr,
                            nullptr, &limits->value_name, &limits->value_data, nullptr,
                            nullptr) == ERROR_SUCCESS;
}

// Value names and key paths below a key, as the …W functions take them; the
// one conversion is chosen when the registry object is made.
class Names {
 public:
  explicit Names(NameForm form) : form_(form) {}

  std::optional<std::wstring> Wide(const std::string& name) const {
    if (HasNul(name)) return std::nullopt;
    return WideName(form_, name);
  }

  std::optional<std::string> Narrow(std::wstring_view name) const {
    return NarrowName(form_, name);
  }

  // Data as the system stores it. Text is converted whole, its NULs included.
  std::optional<std::vector<BYTE>> WideData(DWORD type, const std::string& data) const {
    if (!IsTextType(type)) return std::vector<BYTE>(data.begin(), data.end());
    const std::optional<std::wstring> text = WideName(form_, data);
    if (!text) return std::nullopt;
    std::vector<BYTE> bytes;
    bytes.reserve(text->size() * 2);
    for (const wchar_t unit : *text) {
      bytes.push_back(static_cast<BYTE>(unit & 0xFF));
      bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
  }

  // Stored data in this form. An odd last byte of text is no character and
  // is dropped, as the …A functions drop it.
  std::optional<std::string> NarrowData(DWORD type, const BYTE* data, DWORD size) const {
    if (!IsTextType(type)) return std::string(reinterpret_cast<const char*>(data), size);
    std::wstring text(size / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    return NarrowName(form_, text);
  }

 private:
  NameForm form_;
};

class Win32RegistryKey final : public RegistryKey {
 public:
  Win32RegistryKey(ScopedRegistryKey key, Names names) : key_(std::move(key)), names_(names) {}

  std::optional<std::string> QueryText(const std::string& name, std::size_t capacity) override {
    if (capacity > kMaxCapacity) capacity = kMaxCapacity;
    const std::optional<std::wstring> wide_name = names_.Wide(name);
    if (!wide_name) return std::nullopt;
    // Every stored unit of text takes at least one byte in either form, so
    // anything above this cannot fit.
    const DWORD stored_capacity = static_cast<DWORD>(2 * capacity + 2);
    std::vector<BYTE> data(stored_capacity);
    DWORD size = stored_capacity;
    DWORD type = 0;
    if (::RegQueryValueExW(key_.get(), wide_name->c_str(), nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    const std::optional<std::string> stored = names_.NarrowData(type, data.data(), size);
    if (!stored || stored->size() > capacity) return std::nullopt;
    // Data need not end in NUL, nor be text at all: take what precedes the
    // first NUL within what was stored.
    return stored->substr(0, stored->find('\0'));
  }

  std::optional<std::string> EnumerateSubkey(std::uint32_t index) override {
    KeyLimits limits;
    if (!QueryLimits(key_.get(), &limits)) return std::nullopt;
    DWORD capacity = limits.subkey_name + 1;
    for (int attempt = 0; attempt < kEnumerationAttempts; ++attempt) {
      std::vector<wchar_t> name(capacity);
      DWORD length = capacity;
      const LONG result = ::RegEnumKeyExW(key_.get(), index, name.data(), &length, nullptr,
                                          nullptr, nullptr, nullptr);
      if (result == ERROR_SUCCESS) return names_.Narrow(std::wstring_view(name.data(), length));
      if (result != ERROR_MORE_DATA) return std::nullopt;
      capacity *= 2;
    }
    return std::nullopt;
  }

  std::optional<RegistryValue> EnumerateValue(std::uint32_t index) override {
    KeyLimits limits;
    if (!QueryLimits(key_.get(), &limits)) return std::nullopt;
    DWORD name_capacity = limits.value_name + 1;
    // Never a null data buffer: with one the system reports only the size.
    DWORD data_capacity = limits.value_data + 1;
    for (int attempt = 0; attempt < kEnumerationAttempts; ++attempt) {
      std::vector<wchar_t> name(name_capacity);
      std::vector<BYTE> data(data_capacity);
      DWORD name_length = name_capacity;
      DWORD data_size = data_capacity;
      DWORD type = 0;
      const LONG result = ::RegEnumValueW(key_.get(), index, name.data(), &name_length, nullptr,
                                          &type, data.data(), &data_size);
      if (result == ERROR_SUCCESS) {
        std::optional<std::string> value_name =
            names_.Narrow(std::wstring_view(name.data(), name_length));
        std::optional<std::string> value_data = names_.NarrowData(type, data.data(), data_size);
        if (!value_name || !value_data) return std::nullopt;
        return RegistryValue{std::move(*value_name), type, std::move(*value_data)};
      }
      if (result != ERROR_MORE_DATA) return std::nullopt;
      // The data size comes back as needed; the name's does not, so grow it.
      name_capacity *= 2;
      data_capacity = std::max(data_size, 2 * data_capacity);
    }
    return std::nullopt;
  }

  bool SetValue(const RegistryValue& value) override {
    const std::optional<std::wstring> name = names_.Wide(value.name);
    const std::optional<std::vector<BYTE>> data = names_.WideData(value.type, value.data);
    if (!name || !data || data->size() > std::numeric_limits<DWORD>::max()) return false;
    return ::RegSetValueExW(key_.get(), name->c_str(), 0, value.type, data->data(),
                            static_cast<DWORD>(data->size())) == ERROR_SUCCESS;
  }

  bool DeleteValue(const std::string& name) override {
    const std::optional<std::wstring> wide = names_.Wide(name);
    return wide && ::RegDeleteValueW(key_.get(), wide->c_str()) == ERROR_SUCCESS;
  }

  bool DeleteSubkey(const std::string& name) override {
    // RegDeleteKeyW with "" would delete this very key.
    const std::optional<std::wstring> wide = SubkeyName(name);
    return wide && ::RegDeleteKeyW(key_.get(), wide->c_str()) == ERROR_SUCCESS;
  }

  std::unique_ptr<RegistryKey> OpenSubkey(const std::string& name) override {
    const std::optional<std::wstring> wide = SubkeyName(name);
    if (!wide) return nullptr;
    ScopedRegistryKey subkey;
    if (::RegOpenKeyExW(key_.get(), wide->c_str(), 0, KEY_ALL_ACCESS, subkey.put()) !=
        ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(std::move(subkey), names_);
  }

  std::unique_ptr<RegistryKey> CreateSubkey(const std::string& name) override {
    const std::optional<std::wstring> wide = SubkeyName(name);
    if (!wide) return nullptr;
    ScopedRegistryKey subkey;
    if (::RegCreateKeyExW(key_.get(), wide->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, subkey.put(), nullptr) != ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(std::move(subkey), names_);
  }

 private:
  std::optional<std::wstring> SubkeyName(const std::string& name) const {
    if (!IsSubkeyName(name)) return std::nullopt;
    return names_.Wide(name);
  }

  ScopedRegistryKey key_;
  Names names_;
};

class Win32Registry final : public Registry {
 public:
  explicit Win32Registry(NameForm form) : names_(form) {}

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
    const std::optional<std::wstring> wide = names_.Wide(path);
    if (!wide) return nullptr;
    ScopedRegistryKey key;
    if (::RegCreateKeyExW(RootKey(root), wide->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(std::move(key), names_);
  }

  bool DeleteKey(RegistryRoot root, const std::string& path) override {
    if (!IsSubkeyName(path)) return false;
    const std::optional<std::wstring> wide = names_.Wide(path);
    return wide && ::RegDeleteKeyW(RootKey(root), wide->c_str()) == ERROR_SUCCESS;
  }

 private:
  std::unique_ptr<RegistryKey> Open(RegistryRoot root, const std::string& path,
                                    REGSAM access) const {
    const std::optional<std::wstring> wide = names_.Wide(path);
    if (!wide) return nullptr;
    ScopedRegistryKey key;
    if (::RegOpenKeyExW(RootKey(root), wide->c_str(), 0, access, key.put()) != ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(std::move(key), names_);
  }

  Names names_;
};

}  // namespace

Registry& OperatingSystemRegistry(NameForm form) {
  static Win32Registry code_page_registry(NameForm::kCodePage);
  static Win32Registry exact_registry(NameForm::kUtf8);
  return form == NameForm::kUtf8 ? exact_registry : code_page_registry;
}

}  // namespace quintarel
