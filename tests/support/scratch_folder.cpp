#include "tests/support/scratch_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quintarel::testing {

namespace fs = std::filesystem;

namespace {
std::string ToProductPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
}  // namespace

ScratchFolder::ScratchFolder() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    root_ = fs::temp_directory_path() /
            ("quintarel-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    if (fs::create_directory(root_)) break;
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  // Read-only files would otherwise stop the removal on Windows.
  for (auto it = fs::recursive_directory_iterator(root_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(root_, ignored);
}

std::string ScratchFolder::Path(const std::string& name) const {
  std::string root = ToProductPath(root_.string());
  return name.empty() ? root : root + "\\" + name;
}

fs::path ScratchFolder::Native(const std::string& name) const {
  std::string relative = name;
  for (char& c : relative) {
    if (c == '\\') c = static_cast<char>(fs::path::preferred_separator);
  }
  return relative.empty() ? root_ : root_ / relative;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteText(const fs::path& path, const std::string& text) {
  WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> TestData(const std::string& relative_path) {
  return ReadBytes(fs::path(PROJECT_TEST_DATA_DIR) / relative_path);
}

}  // namespace quintarel::testing
