#ifndef PLATFORM_REGISTRY_H_
#define PLATFORM_REGISTRY_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace quintarel {

enum class RegistryRoot { kLocalMachine, kCurrentUser };

// An open registry key; destroying it closes the key.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // The value's data taken as text up to its first NUL, whatever its
  // registry type. Nothing when the value is missing or its data needs more
  // than capacity bytes.
  virtual std::optional<std::string> QueryText(const std::string& name, std::size_t capacity) = 0;
};

// The system registry. Paths are relative to a root and use "\" between
// names.
class Registry {
 public:
  virtual ~Registry() = default;

  // Opens an existing key for reading only, so that a standard user can read
  // keys under HKEY_LOCAL_MACHINE. Null when it cannot be opened.
  virtual std::unique_ptr<RegistryKey> OpenForRead(RegistryRoot root, const std::string& path) = 0;
};

// The system registry (Windows builds only).
Registry& OperatingSystemRegistry();

}  // namespace quintarel

#endif  // PLATFORM_REGISTRY_H_
