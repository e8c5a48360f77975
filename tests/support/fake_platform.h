#ifndef TESTS_SUPPORT_FAKE_PLATFORM_H_
#define TESTS_SUPPORT_FAKE_PLATFORM_H_

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "package/text.h"
#include "platform/file_versions.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/string_table.h"
#include "platform/system_profile.h"

namespace quintarel::testing {

// Texts by id; an id without one reads "#<id>", so tests can tell which
// text was shown without restating the resources.
class FakeStringTable final : public StringTable {
 public:
  std::string LoadText(int id) override {
    const auto found = texts.find(id);
    if (found != texts.end()) return found->second;
    return id == 57344 ? "Updater" : "#" + std::to_string(id);
  }
  std::map<int, std::string> texts;
};

class FakeSystemProfile final : public SystemProfile {
 public:
  int CountryCode() override { return country_code; }
  int country_code = 1;
};

// Keys are looked up without regard to ASCII case, as the registry does.
// Every opened key is logged as "HKLM\path" or "HKCU\path".
class FakeRegistry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenForRead(RegistryRoot root, const std::string& path) override {
    const std::string name = RootName(root) + "\\" + path;
    opened.push_back(name);
    for (const auto& [key, values] : keys) {
      if (EqualsIgnoringAsciiCase(key, name)) return std::make_unique<Key>(values);
    }
    return nullptr;
  }

  // Adds a value below "HKLM\..." or "HKCU\...".
  void SetValue(const std::string& key, const std::string& name, const std::string& data) {
    keys[key][name] = data;
  }

  std::map<std::string, std::map<std::string, std::string>> keys;
  std::vector<std::string> opened;

 private:
  class Key final : public RegistryKey {
   public:
    explicit Key(std::map<std::string, std::string> values) : values_(std::move(values)) {}
    std::optional<std::string> QueryText(const std::string& name, std::size_t capacity) override {
      for (const auto& [value_name, data] : values_) {
        if (!EqualsIgnoringAsciiCase(value_name, name)) continue;
        if (data.size() + 1 > capacity) return std::nullopt;
        return data.substr(0, data.find('\0'));
      }
      return std::nullopt;
    }

   private:
    std::map<std::string, std::string> values_;
  };

  static std::string RootName(RegistryRoot root) {
    return root == RegistryRoot::kLocalMachine ? "HKLM" : "HKCU";
  }
};

// Associations by extension; the folder browser answers from a queue
// (nothing = the user cancelled) and logs each call as "TITLE|PRESELECTION".
class FakeShell final : public Shell {
 public:
  std::optional<std::string> FindAssociatedProgram(const std::string& extension) override {
    const auto found = programs.find(extension);
    if (found == programs.end()) return std::nullopt;
    return found->second;
  }
  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& preselection) override {
    browses.push_back(title + "|" + preselection);
    if (choices.empty()) return std::nullopt;
    std::optional<std::string> choice = choices.front();
    choices.pop_front();
    return choice;
  }

  std::map<std::string, std::string> programs;
  std::deque<std::optional<std::string>> choices;
  std::vector<std::string> browses;
};

// Version numbers and texts by path (ASCII case ignored); a path without an
// entry has no version resource. Logs every path asked about.
class FakeFileVersions final : public FileVersions {
 public:
  std::int32_t VersionNumber(const std::string& path) override {
    read.push_back(path);
    const auto* found = Find(path);
    return found ? found->first : 0;
  }
  bool VersionText(const std::string& path, std::string& text) override {
    read.push_back(path);
    const auto* found = Find(path);
    if (!found) return false;
    text = found->second;
    return true;
  }
  void Set(const std::string& path, std::int32_t number, const std::string& text = "") {
    versions[path] = {number, text};
  }

  std::map<std::string, std::pair<std::int32_t, std::string>> versions;
  std::vector<std::string> read;

 private:
  const std::pair<std::int32_t, std::string>* Find(const std::string& path) const {
    for (const auto& [name, version] : versions) {
      if (EqualsIgnoringAsciiCase(name, path)) return &version;
    }
    return nullptr;
  }
};

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_FAKE_PLATFORM_H_
