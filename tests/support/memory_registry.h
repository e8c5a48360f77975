#ifndef TESTS_SUPPORT_MEMORY_REGISTRY_H_
#define TESTS_SUPPORT_MEMORY_REGISTRY_H_

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace quintarel::testing {

// An in-memory registry that behaves like the system's where the code cares:
// names ignore ASCII case, values and subkeys enumerate in creation order, a
// key with subkeys cannot be deleted. Keys are named with their root,
// "HKLM\..." or "HKCU\...". Faults can be injected.
class MemoryRegistry final : public Registry {
 public:
  struct Node {
    std::vector<RegistryValue> values;
    std::vector<std::pair<std::string, std::shared_ptr<Node>>> subkeys;
  };

  std::unique_ptr<RegistryKey> OpenForRead(RegistryRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> OpenForWrite(RegistryRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> Create(RegistryRoot root, const std::string& path) override;
  bool DeleteKey(RegistryRoot root, const std::string& path) override;

  // Test setup and inspection.
  // A text value (REG_SZ, stored with its NUL), creating the key.
  void SetValue(const std::string& key, const std::string& name, const std::string& text);
  void SetRawValue(const std::string& key, RegistryValue value);
  // The key's node, or null.
  Node* Find(const std::string& key);
  // Every key below key as "sub\sub" paths and every value as "path|name=data"
  // (NULs dropped), in creation order: a whole tree in one comparable list.
  std::vector<std::string> Dump(const std::string& key);
  void Clear() { roots_.clear(); }

  // Every key opened or created, in order.
  std::vector<std::string> opened;
  // Keys (full names) that cannot be created, and value names that cannot be
  // written.
  std::set<std::string> refuse_create;
  std::set<std::string> refuse_write;

 private:
  friend class MemoryRegistryKey;
  std::unique_ptr<RegistryKey> Open(RegistryRoot root, const std::string& path, bool create);
  std::shared_ptr<Node> Walk(const std::string& key, bool create);

  std::vector<std::pair<std::string, std::shared_ptr<Node>>> roots_;
};

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_MEMORY_REGISTRY_H_
