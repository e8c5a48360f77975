#ifndef TESTS_SUPPORT_FAKE_PLATFORM_H_
#define TESTS_SUPPORT_FAKE_PLATFORM_H_

#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "package/text.h"
#include "platform/file_versions.h"
#include "package/file_system.h"
#include "platform/security.h"
#include "platform/shell_folders.h"
#include "platform/shell.h"
#include "platform/shell_links.h"
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
  WindowsVersion Version() override { return version; }
  int country_code = 1;
  WindowsVersion version{2, 5, 1};
};

// Grants and created folders are logged as "grant MASK PATH" (mask in hex)
// and "folder PATH"; folders are created in the given file system.
class FakeSecurity final : public Security {
 public:
  explicit FakeSecurity(FileSystem& files) : files_(files) {}

  std::unique_ptr<EveryoneAccess> CreateEveryoneAccess(std::uint32_t mask) override {
    if (refuse_build) return nullptr;
    ++built;
    return std::make_unique<Access>(*this, mask);
  }

  std::vector<std::string> log;
  std::set<std::string> refuse_grant;  // paths whose grant fails
  bool refuse_build = false;
  int built = 0;
  int released = 0;

 private:
  class Access final : public EveryoneAccess {
   public:
    Access(FakeSecurity& owner, std::uint32_t mask) : owner_(owner), mask_(mask) {}
    ~Access() override { ++owner_.released; }
    bool Grant(const std::string& path) override {
      if (owner_.refuse_grant.count(path) != 0) return false;
      char mask[16];
      std::snprintf(mask, sizeof mask, "%X", static_cast<unsigned>(mask_));
      owner_.log.push_back(std::string("grant ") + mask + " " + path);
      return true;
    }
    bool CreateFolder(const std::string& path) override {
      if (!owner_.files_.CreateFolder(path)) return false;
      owner_.log.push_back("folder " + path);
      return true;
    }
    std::uint32_t mask() const override { return mask_; }

   private:
    FakeSecurity& owner_;
    std::uint32_t mask_;
  };

  FileSystem& files_;
};

class FakeShellFolders final : public ShellFolders {
 public:
  std::optional<std::string> CommonApplicationData() override { return common_application_data; }
  std::optional<std::string> CommonPrograms() override { return common_programs; }
  std::optional<std::string> UserPrograms() override { return user_programs; }
  std::optional<std::string> common_application_data = "C:\\ProgramData";
  std::optional<std::string> common_programs = "C:\\Start\\All";
  std::optional<std::string> user_programs = "C:\\Start\\User";
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

// Link files by path, each with its target, over a file system that says
// what exists. A path's short form is its alias when it has one (any
// spelling of an existing file may have one), else the path itself when it
// exists. Logs "begin", "end", "read LINK" and "set LINK -> TARGET".
class FakeShellLinks final : public ShellLinks {
 public:
  explicit FakeShellLinks(FileSystem& files) : files_(files) {}

  bool BeginSession() override {
    log.push_back("begin");
    return session_starts;
  }
  void EndSession() override { log.push_back("end"); }
  std::optional<std::string> ReadTarget(const std::string& link_path) override {
    log.push_back("read " + link_path);
    const auto found = targets.find(link_path);
    if (found == targets.end()) return std::nullopt;
    return found->second;
  }
  bool SetTarget(const std::string& link_path, const std::string& target) override {
    log.push_back("set " + link_path + " -> " + target);
    targets[link_path] = target;
    return true;
  }
  std::optional<std::string> ShortPath(const std::string& path) override {
    for (const auto& [spelling, alias] : aliases) {
      if (EqualsIgnoringAsciiCase(spelling, path)) return alias;
    }
    if (!files_.Exists(path)) return std::nullopt;
    return path;
  }

  bool session_starts = true;
  std::map<std::string, std::string> targets;
  std::map<std::string, std::string> aliases;
  std::vector<std::string> log;

 private:
  FileSystem& files_;
};

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_FAKE_PLATFORM_H_
