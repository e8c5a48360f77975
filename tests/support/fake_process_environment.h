#ifndef TESTS_SUPPORT_FAKE_PROCESS_ENVIRONMENT_H_
#define TESTS_SUPPORT_FAKE_PROCESS_ENVIRONMENT_H_

#include <map>
#include <optional>
#include <set>
#include <string>

#include "tests/support/memory_file_system.h"
#include "updater/app/process_environment.h"

namespace quintarel::testing {

class FakeEnvironment final : public ProcessEnvironment {
 public:
  explicit FakeEnvironment(MemoryFileSystem& files) : files_(files) {}

  bool ClaimInstance(const std::string& name) override { return mutexes.insert(name).second; }
  std::string ProgramPath() override { return program_path; }
  std::optional<std::string> FindFirstMatch(const std::string& pattern) override {
    const auto it = matches.find(pattern);
    return it == matches.end() ? std::nullopt : std::optional(it->second);
  }
  bool SetCurrentFolder(const std::string& path) override {
    files_.set_current_folder(current_folder = path);
    return true;
  }

  std::set<std::string> mutexes;
  std::string program_path = "C:\\Program Files\\Example\\updater.exe";
  std::map<std::string, std::string> matches;
  std::string current_folder;

 private:
  MemoryFileSystem& files_;
};

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_FAKE_PROCESS_ENVIRONMENT_H_
