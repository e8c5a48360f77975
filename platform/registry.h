#ifndef PLATFORM_REGISTRY_H_
#define PLATFORM_REGISTRY_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "package/name_form.h"

namespace quintarel {

enum class RegistryRoot { kLocalMachine, kCurrentUser };

// One value of a key, as enumeration yields it.
struct RegistryValue {
  std::string name;
  std::uint32_t type = 0;  // REG_SZ is 1, REG_EXPAND_SZ 2, REG_BINARY 3, REG_DWORD 4
  std::string data;        // the stored bytes, terminating NULs of text included
};

// An open registry key; destroying it closes the key.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // The value's data taken as text up to its first NUL, whatever its
  // registry type. Nothing when the value is missing or its data needs more
  // than capacity bytes.
  virtual std::optional<std::string> QueryText(const std::string& name, std::size_t capacity) = 0;

  // The name of the subkey at index; nothing past the last one.
  virtual std::optional<std::string> EnumerateSubkey(std::uint32_t index) = 0;
  // The value at index, whole whatever the length of its name or data;
  // nothing past the last one.
  virtual std::optional<RegistryValue> EnumerateValue(std::uint32_t index) = 0;
  // Writes a value, replacing one of the same name.
  virtual bool SetValue(const RegistryValue& value) = 0;
  virtual bool DeleteValue(const std::string& name) = 0;
  // Deletes the subkey, which must have no subkeys of its own.
  virtual bool DeleteSubkey(const std::string& name) = 0;

  // An existing subkey, opened with all access; null when it cannot be.
  virtual std::unique_ptr<RegistryKey> OpenSubkey(const std::string& name) = 0;
  // The subkey, created when missing, with all access; null when neither
  // works.
  virtual std::unique_ptr<RegistryKey> CreateSubkey(const std::string& name) = 0;
};

// The system registry. Paths are relative to a root and use "\" between
// names. Names, and the data of text values (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ), are spelt in the registry's name form; other data is bytes.
class Registry {
 public:
  virtual ~Registry() = default;

  // Opens an existing key for reading only, so that a standard user can read
  // keys under HKEY_LOCAL_MACHINE. Null when it cannot be opened.
  virtual std::unique_ptr<RegistryKey> OpenForRead(RegistryRoot root, const std::string& path) = 0;
  // Opens an existing key with all access. Null when it cannot be opened.
  virtual std::unique_ptr<RegistryKey> OpenForWrite(RegistryRoot root, const std::string& path) = 0;
  // Opens the key with all access, creating it (and the keys above it) when
  // missing. Null when that fails.
  virtual std::unique_ptr<RegistryKey> Create(RegistryRoot root, const std::string& path) = 0;
  // Deletes a key that has no subkeys.
  virtual bool DeleteKey(RegistryRoot root, const std::string& path) = 0;
};

// The system registry with names spelt in form (Windows builds only).
Registry& OperatingSystemRegistry(NameForm form = NameForm::kCodePage);

}  // namespace quintarel

#endif  // PLATFORM_REGISTRY_H_
