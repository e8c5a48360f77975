#include <algorithm>
#include <new>
#include <string_view>

#include "envlib/environment_library.h"

namespace quintarel {

namespace {

constexpr char kStoredPathsKey[] = "Software\\Quintarel Corporation\\Tessa Line\\Path";
constexpr std::uint32_t kTextType = 1;            // REG_SZ
constexpr std::uint32_t kExpandableTextType = 2;  // REG_EXPAND_SZ
constexpr std::string_view kSeparators = "\\/";
constexpr std::string_view kPathBoundaries = "\\/;\"";

// A value that could not be written: unwinds the whole move, each level
// closing its keys on the way up.
struct ValueNotWritten {};

void MoveValues(RegistryKey& source, RegistryKey& destination) {
  std::vector<std::string> moved;
  for (std::uint32_t index = 0;; ++index) {
    const std::optional<RegistryValue> value = source.EnumerateValue(index);
    if (!value) break;
    if (!destination.SetValue(*value)) throw ValueNotWritten{};
    moved.push_back(value->name);
  }
  // Deleting while enumerating would shift the indices.
  for (const std::string& name : moved) source.DeleteValue(name);
}

bool MoveRegistryKey(RegistryKey& source_parent, const std::string& name,
                     RegistryKey& destination_parent);

// Each subkey is moved whole before the next name is asked for; the parent
// deletes a subkey only after its content has gone.
void MoveSubkeys(RegistryKey& source, RegistryKey& destination) {
  std::vector<std::string> moved;
  for (std::uint32_t index = 0;; ++index) {
    const std::optional<std::string> name = source.EnumerateSubkey(index);
    if (!name) break;
    if (MoveRegistryKey(source, *name, destination)) moved.push_back(*name);
  }
  for (const std::string& name : moved) source.DeleteSubkey(name);
}

bool MoveRegistryKey(RegistryKey& source_parent, const std::string& name,
                     RegistryKey& destination_parent) {
  const std::unique_ptr<RegistryKey> source = source_parent.OpenSubkey(name);
  if (!source) return false;
  const std::unique_ptr<RegistryKey> destination = destination_parent.CreateSubkey(name);
  if (!destination) return false;
  MoveValues(*source, *destination);
  MoveSubkeys(*source, *destination);
  return true;
}

// Where the path that an occurrence names ends: at the next ";" or quote,
// which separate paths and arguments in a stored value, or at the end.
constexpr std::string_view kPathEnds = ";\"";

// Whether the occurrence of the old root whose stem (the root without its
// trailing separators) ends at text[tail_start] names something that stayed
// in the installation folder: it exists there and not in the data folder.
// The old root itself never stays: the product's folder as a whole is what
// the data folder replaces, even though the emptied root lives on beside it.
bool NamesWhatStayed(FileSystem& files, const std::string& text, std::size_t tail_start,
                     const std::string& stem, const std::string& new_folder) {
  const std::size_t tail_end = std::min(text.find_first_of(kPathEnds, tail_start), text.size());
  const std::string tail = text.substr(tail_start, tail_end - tail_start);
  if (tail.find_first_not_of(kSeparators) == std::string::npos) return false;
  return files.Exists(stem + tail) && !files.Exists(new_folder + tail);
}

// text with every old_root that ends at a path boundary and names something
// that moved (or nothing at all) replaced, left to right, without overlaps.
// An old root that ends with a separator ("D:\Apps\Prod\" from a root given
// with two) ends a path part itself; its separator stays after new_folder.
std::string ReplaceRoot(FileSystem& files, const std::string& text, const std::string& old_root,
                        const std::string& new_folder) {
  const std::size_t last_named = old_root.find_last_not_of(kSeparators);
  const std::size_t stem_size = last_named == std::string::npos ? 0 : last_named + 1;
  const std::string stem = old_root.substr(0, stem_size);
  const std::string replacement = new_folder + old_root.substr(stem_size);
  const bool root_ends_part = stem_size < old_root.size();
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = text.find(old_root); at != std::string::npos; at = text.find(old_root, from)) {
    const std::size_t end = at + old_root.size();
    const bool boundary = root_ends_part || end == text.size() ||
                          kPathBoundaries.find(text[end]) != std::string_view::npos;
    result.append(text, from, at - from);
    if (!boundary) {
      result += text[at];
      from = at + 1;
      continue;
    }
    const bool stayed = NamesWhatStayed(files, text, at + stem_size, stem, new_folder);
    result += stayed ? old_root : replacement;
    from = end;
  }
  result.append(text, from, std::string::npos);
  return result;
}

}  // namespace

bool MoveRegistryTree(Registry& registry, RegistryRoot root, const std::string& source_path,
                      const std::string& destination_path) {
  {
    const std::unique_ptr<RegistryKey> source = registry.OpenForWrite(root, source_path);
    if (!source) return false;
    const std::unique_ptr<RegistryKey> destination = registry.Create(root, destination_path);
    if (!destination) return false;
    try {
      MoveValues(*source, *destination);
      MoveSubkeys(*source, *destination);
    } catch (const ValueNotWritten&) {
      return false;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  registry.DeleteKey(root, source_path);
  return true;
}

bool UpdatePathValues(Registry& registry, FileSystem& files, const std::string& old_root,
                      const std::string& new_folder) {
  const std::unique_ptr<RegistryKey> key = registry.OpenForWrite(RegistryRoot::kCurrentUser, kStoredPathsKey);
  if (!key || old_root.empty()) return false;
  for (std::uint32_t index = 0;; ++index) {
    const std::optional<RegistryValue> value = key->EnumerateValue(index);
    if (!value) break;
    // Numbers and binary data are never paths to rewrite.
    if (value->type != kTextType && value->type != kExpandableTextType) continue;
    const std::string text = value->data.substr(0, value->data.find('\0'));
    const std::string rewritten = ReplaceRoot(files, text, old_root, new_folder);
    if (rewritten == text) continue;
    if (!key->SetValue({value->name, value->type, rewritten + '\0'})) return false;
  }
  return true;
}

}  // namespace quintarel
