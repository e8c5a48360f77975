#include "envlib/environment_library.h"

#include "resources/resource_ids.h"

namespace quintarel {

namespace {

constexpr char kCompanyName[] = "Quintarel Corporation";
constexpr char kProductName[] = "Tessa Line";
constexpr char kOldProductKey[] = "Software\\Quintarel Corporation\\Tessaline";
constexpr char kNewProductKey[] = "Software\\Quintarel Corporation\\Tessa Line";
// Paths the system fills hold this many bytes with their NUL.
constexpr std::size_t kPathCapacity = 260;

// path without one trailing "\". The library's paths are spelt in UTF-8,
// where no byte of another character is a "\", so no code page is asked.
std::string WithoutTrailingBackslash(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

// Empty, "\" or a drive ("C:", "C:\"): the top of a drive, never a product's
// installation root.
bool IsDriveTop(std::string_view root) {
  while (!root.empty() && (root.back() == '\\' || root.back() == '/')) root.remove_suffix(1);
  return root.empty() || (root.size() == 2 && root[1] == ':');
}

// Runs one step of an export; false when an exception (memory ran out)
// ended it. The caller knows nothing of C++, so none may leave the library,
// and a step ended so counts as a step that failed.
template <typename Step>
bool RunStep(Step step) {
  try {
    step();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

std::optional<std::string> SharedDataFolder::Prepare(const std::string& product_name) {
  product_name_ = product_name.substr(0, kPathCapacity - 1);
  folder_security_ = services_.security.CreateEveryoneAccess(kFullAccess);
  if (!folder_security_) return std::nullopt;
  const std::optional<std::string> shared = services_.folders.CommonApplicationData();
  if (!shared) return std::nullopt;

  const std::string company = WithoutTrailingBackslash(*shared) + "\\" + kCompanyName;
  const std::string product = company + "\\" + product_name_;
  // The folder's path is handed on in 260-byte buffers: one that would not
  // fit is refused before anything is created.
  if (product.size() >= kPathCapacity) return std::nullopt;
  // A link at either level, planted before the run, would lead the data
  // and Everyone's rights elsewhere: only real folders are used. Checked
  // after creating, so that a link made in between is seen as well.
  if (!CreateFolderIfMissing(company) || services_.files.IsLink(company)) return std::nullopt;
  if (!CreateFolderIfMissing(product) || services_.files.IsLink(product)) return std::nullopt;
  return product;
}

bool SharedDataFolder::CreateFolderIfMissing(const std::string& path) {
  if (services_.files.Exists(path)) return true;
  return folder_security_ != nullptr && folder_security_->CreateFolder(path);
}

bool EnvironmentLibrary::RefuseRoot(const char* root) {
  if (root == nullptr) {
    // Refused whether or not the message could be shown.
    RunStep([&] {
      services_.messages.ShowStop(services_.messages.LoadText(IDS_KESTRUNE_NO_ROOT_PATH));
    });
    return true;
  }
  return IsDriveTop(root);
}

bool EnvironmentLibrary::DoIt(const char* root) {
  if (RefuseRoot(root)) return false;
  // From here on only a data folder that cannot be prepared makes the result
  // false. A step that an exception ends has failed like any other: the
  // steps after it run, except those that need what it did not give.
  std::string folder;
  if (!RunStep([&] { folder = WithoutTrailingBackslash(root); })) return true;

  // Once the product has been migrated the old key is gone and this does
  // nothing.
  RunStep([&] {
    MoveRegistryTree(services_.registry, RegistryRoot::kCurrentUser, kOldProductKey,
                     kNewProductKey);
  });
  if (!IsWindows2000OrLater(services_.profile.Version())) return true;

  std::optional<std::string> data_folder;
  RunStep([&] { data_folder = data_folder_.Prepare(kProductName); });
  if (!data_folder) return false;
  RunStep([&] { MoveFolderContents(services_, data_folder_, folder, *data_folder); });
  // The stored paths live below the new key, so this follows the key move.
  RunStep([&] { UpdatePathValues(services_.registry, services_.files, folder, *data_folder); });
  RunStep([&] { GrantTreeAccess(services_, *data_folder); });
  return true;
}

bool EnvironmentLibrary::ModifyAccessPermission(const char* root) {
  if (RefuseRoot(root)) return false;
  // A walk that an exception ended has not granted everything.
  bool granted = false;
  RunStep([&] { granted = GrantTreeAccess(services_, root); });
  return granted;
}

}  // namespace quintarel
