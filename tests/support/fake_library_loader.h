#ifndef TESTS_SUPPORT_FAKE_LIBRARY_LOADER_H_
#define TESTS_SUPPORT_FAKE_LIBRARY_LOADER_H_

#include <optional>
#include <string>
#include <vector>

#include "updater/upgrade/environment_library_loader.h"

namespace quintarel::testing {

// Answers every DoIt call with result (nothing: the library or its export is
// missing) and logs it as "LIBRARY|ROOT".
class FakeLibraryLoader final : public EnvironmentLibraryLoader {
 public:
  std::optional<bool> CallDoIt(const std::string& library_path, const std::string& root) override {
    calls.push_back(library_path + "|" + root);
    return result;
  }

  std::optional<bool> result = true;
  std::vector<std::string> calls;
};

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_FAKE_LIBRARY_LOADER_H_
