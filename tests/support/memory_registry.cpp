#include "tests/support/memory_registry.h"

#include <algorithm>

#include "package/text.h"

namespace quintarel::testing {

namespace {

using Children = std::vector<std::pair<std::string, std::shared_ptr<MemoryRegistry::Node>>>;

std::string RootName(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? "HKLM" : "HKCU";
}

Children::iterator FindChild(Children& children, const std::string& name) {
  return std::find_if(children.begin(), children.end(),
                      [&](const auto& child) { return EqualsIgnoringAsciiCase(child.first, name); });
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  while (from <= path.size()) {
    const std::size_t end = std::min(path.find('\\', from), path.size());
    if (end > from) parts.push_back(path.substr(from, end - from));
    from = end + 1;
  }
  return parts;
}

}  // namespace

class MemoryRegistryKey final : public RegistryKey {
 public:
  MemoryRegistryKey(MemoryRegistry& registry, std::string path, std::shared_ptr<MemoryRegistry::Node> node)
      : registry_(registry), path_(std::move(path)), node_(std::move(node)) {}

  std::optional<std::string> QueryText(const std::string& name, std::size_t capacity) override {
    const RegistryValue* value = FindValue(name);
    if (value == nullptr || value->data.size() > capacity) return std::nullopt;
    return value->data.substr(0, value->data.find('\0'));
  }
  std::optional<std::string> EnumerateSubkey(std::uint32_t index) override {
    if (index >= node_->subkeys.size()) return std::nullopt;
    return node_->subkeys[index].first;
  }
  std::optional<RegistryValue> EnumerateValue(std::uint32_t index) override {
    if (index >= node_->values.size()) return std::nullopt;
    return node_->values[index];
  }
  bool SetValue(const RegistryValue& value) override {
    if (registry_.refuse_write.count(value.name) != 0) return false;
    if (RegistryValue* existing = FindValue(value.name)) {
      existing->type = value.type;
      existing->data = value.data;
    } else {
      node_->values.push_back(value);
    }
    return true;
  }
  bool DeleteValue(const std::string& name) override {
    auto& values = node_->values;
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const RegistryValue& v) { return EqualsIgnoringAsciiCase(v.name, name); });
    if (found == values.end()) return false;
    values.erase(found);
    return true;
  }
  bool DeleteSubkey(const std::string& name) override {
    const auto found = FindChild(node_->subkeys, name);
    if (found == node_->subkeys.end() || !found->second->subkeys.empty()) return false;
    node_->subkeys.erase(found);
    return true;
  }
  std::unique_ptr<RegistryKey> OpenSubkey(const std::string& name) override {
    registry_.opened.push_back(path_ + "\\" + name);
    const auto found = FindChild(node_->subkeys, name);
    if (found == node_->subkeys.end()) return nullptr;
    return std::make_unique<MemoryRegistryKey>(registry_, path_ + "\\" + found->first, found->second);
  }
  std::unique_ptr<RegistryKey> CreateSubkey(const std::string& name) override {
    const std::string path = path_ + "\\" + name;
    registry_.opened.push_back(path);
    if (registry_.refuse_create.count(path) != 0) return nullptr;
    auto found = FindChild(node_->subkeys, name);
    if (found == node_->subkeys.end()) {
      node_->subkeys.emplace_back(name, std::make_shared<MemoryRegistry::Node>());
      found = node_->subkeys.end() - 1;
    }
    return std::make_unique<MemoryRegistryKey>(registry_, path_ + "\\" + found->first, found->second);
  }

 private:
  RegistryValue* FindValue(const std::string& name) {
    for (RegistryValue& value : node_->values) {
      if (EqualsIgnoringAsciiCase(value.name, name)) return &value;
    }
    return nullptr;
  }

  MemoryRegistry& registry_;
  std::string path_;
  std::shared_ptr<MemoryRegistry::Node> node_;
};

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Walk(const std::string& key, bool create) {
  Children* children = &roots_;
  std::shared_ptr<Node> node;
  std::string path;
  for (const std::string& part : SplitPath(key)) {
    path += (path.empty() ? "" : "\\") + part;
    auto found = FindChild(*children, part);
    if (found == children->end()) {
      if (!create || refuse_create.count(path) != 0) return nullptr;
      children->emplace_back(part, std::make_shared<Node>());
      found = children->end() - 1;
    }
    node = found->second;
    children = &node->subkeys;
  }
  return node;
}

std::unique_ptr<RegistryKey> MemoryRegistry::OpenForRead(RegistryRoot root, const std::string& path) {
  return OpenForWrite(root, path);
}

std::unique_ptr<RegistryKey> MemoryRegistry::OpenForWrite(RegistryRoot root, const std::string& path) {
  return Open(root, path, false);
}

std::unique_ptr<RegistryKey> MemoryRegistry::Create(RegistryRoot root, const std::string& path) {
  return Open(root, path, true);
}

std::unique_ptr<RegistryKey> MemoryRegistry::Open(RegistryRoot root, const std::string& path,
                                                  bool create) {
  const std::string key = RootName(root) + "\\" + path;
  opened.push_back(key);
  std::shared_ptr<Node> node = Walk(key, create);
  if (!node) return nullptr;
  return std::make_unique<MemoryRegistryKey>(*this, key, node);
}

bool MemoryRegistry::DeleteKey(RegistryRoot root, const std::string& path) {
  const std::size_t separator = path.rfind('\\');
  std::string parent = RootName(root);
  if (separator != std::string::npos) parent.append("\\").append(path, 0, separator);
  std::shared_ptr<Node> node = Walk(parent, false);
  if (!node) return false;
  return MemoryRegistryKey(*this, parent, node).DeleteSubkey(path.substr(separator + 1));
}

void MemoryRegistry::SetValue(const std::string& key, const std::string& name, const std::string& text) {
  SetRawValue(key, {name, 1, text + '\0'});
}

void MemoryRegistry::SetRawValue(const std::string& key, RegistryValue value) {
  std::shared_ptr<Node> node = Walk(key, true);
  MemoryRegistryKey(*this, key, node).SetValue(value);
}

MemoryRegistry::Node* MemoryRegistry::Find(const std::string& key) { return Walk(key, false).get(); }

std::vector<std::string> MemoryRegistry::Dump(const std::string& key) {
  std::vector<std::string> lines;
  std::shared_ptr<Node> top = Walk(key, false);
  if (!top) return lines;
  auto visit = [&lines](const auto& self, const Node& node, const std::string& path) -> void {
    for (const RegistryValue& value : node.values) {
      std::string data = value.data;
      data.erase(std::remove(data.begin(), data.end(), '\0'), data.end());
      lines.push_back(path + "|" + value.name + "=" + data);
    }
    for (const auto& [name, child] : node.subkeys) {
      const std::string child_path = path.empty() ? name : path + "\\" + name;
      lines.push_back(child_path);
      self(self, *child, child_path);
    }
  };
  visit(visit, *top, "");
  return lines;
}

}  // namespace quintarel::testing
