#ifndef TESTS_SUPPORT_SCRATCH_FOLDER_H_
#define TESTS_SUPPORT_SCRATCH_FOLDER_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quintarel::testing {

// A fresh folder in the system's temporary folder, removed with everything
// in it when the object goes away.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The path of name inside the folder as the product spells paths: "\"
  // separators on every platform. name may hold "\" separators itself.
  std::string Path(const std::string& name = "") const;
  // The same path in the platform's own form, for the test's own checks.
  std::filesystem::path Native(const std::string& name = "") const;

 private:
  std::filesystem::path root_;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::filesystem::path& path, const std::string& text);
// Contents of a file in the project's test data folder.
std::vector<std::uint8_t> TestData(const std::string& relative_path);

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_SCRATCH_FOLDER_H_
