#include "package/update_info.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "package/file_stream.h"
#include "package/text.h"

namespace quintarel {

namespace {

// The programs never change the locale, so this is the C set: space, tab,
// LF, VT, FF, CR.
bool IsWhitespace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::size_t KeptLength(std::size_t capacity) { return capacity > 0 ? capacity - 1 : 0; }

std::string_view TrimTrailingWhitespace(std::string_view text) {
  while (!text.empty() && IsWhitespace(text.back())) text.remove_suffix(1);
  return text;
}

// Whether text reads as the number 0 by the rules of "%d": leading
// whitespace, an optional sign, then digits up to the first other byte.
// Only zeros are compared, so no digit count can overflow.
bool ReadsAsZero(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsWhitespace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t digits = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
    if (text[i] != '0') return false;
    ++i;
  }
  return i > digits;
}

}  // namespace

UpdateInfo::UpdateInfo(bool japanese) : japanese_(japanese) {}

bool UpdateInfo::Load(Stream& stream) {
  text_ = std::string();
  position_ = 0;

  const std::uint64_t length = stream.GetLength();
  std::string text;
  if (length > text.max_size()) return false;
  try {
    text.resize(static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    return false;
  }
  // A stream may deliver its bytes in several pieces; only an early end
  // means that fewer bytes arrived than it reported.
  std::size_t filled = 0;
  while (filled < text.size()) {
    const std::size_t read = stream.Read(text.data() + filled, text.size() - filled);
    if (read == 0) return false;
    filled += read;
  }
  return LoadText(text);
}

bool UpdateInfo::LoadText(std::string& text) {
  text_.swap(text);
  position_ = 0;
  std::string format;
  if (std::string_view(text_).starts_with(kSignature) &&
      GetValue(kHeaderSection, kFormatKey, {}, &format, kSearchCapacity) && ReadsAsZero(format)) {
    text = std::string();
    return true;
  }
  text_.swap(text);
  text_ = std::string();
  position_ = 0;
  return false;
}

bool UpdateInfo::LoadScriptFile(FileSystem& files, const std::string& path) {
  FileErrorCause cause = FileErrorCause::kNone;
  const std::unique_ptr<FileStream> stream = FileStream::Open(files, path, FileStream::Mode::kRead, &cause);
  if (!stream) return false;
  try {
    const bool loaded = Load(*stream);
    stream->Close();
    return loaded;
  } catch (const FileError&) {
    text_ = std::string();
    position_ = 0;
    return false;
  }
}

bool UpdateInfo::GetValue(std::string_view section, std::string_view key, std::string_view default_value,
                          std::string* value, std::size_t capacity) {
  if (FindSection(MapSection(section)) && FindKey(key) && ReadLine(capacity, value)) return true;
  *value = default_value.substr(0, KeptLength(capacity));
  return false;
}

bool UpdateInfo::GetLine(std::string_view section, std::string* line) {
  if (!FindSection(MapSection(section))) return false;
  return GetLine(line);
}

bool UpdateInfo::GetLine(std::string* line) {
  // The raw byte is tested: a list ends at a header that starts its line.
  if (position_ >= text_.size() || text_[position_] == '[') return false;
  return ReadLine(kValueCapacity, line);
}

std::string UpdateInfo::MapSection(std::string_view name) {
  if (!japanese_ || EqualsIgnoringAsciiCase(name, kJapaneseSection)) return std::string(name);
  std::string mapped;
  if (FindSection(kJapaneseSection) && FindKey(name) && ReadLine(kSearchCapacity, &mapped)) return mapped;
  return std::string(name);
}

bool UpdateInfo::FindSection(std::string_view name) {
  position_ = 0;
  while (position_ < text_.size()) {
    // Only a line that reads as beginning with "[" can be a header; CR bytes
    // before it are dropped like everywhere else. Other lines are passed
    // over without being copied, which keeps large scripts quick.
    std::size_t first = position_;
    while (first < text_.size() && text_[first] == '\r') ++first;
    if (first == text_.size() || text_[first] != '[') {
      const void* lf = std::memchr(text_.data() + first, '\n', text_.size() - first);
      position_ = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text_.data()) + 1 : text_.size();
      continue;
    }
    ReadLine(kSearchCapacity, &scratch_);
    std::string_view header = std::string_view(scratch_).substr(1);
    header = header.substr(0, header.find(']'));
    if (EqualsIgnoringAsciiCase(header, name)) return true;
  }
  return false;
}

bool UpdateInfo::FindKey(std::string_view key) {
  for (;;) {
    const std::size_t line_start = position_;
    if (!ReadLine(kSearchCapacity, &scratch_)) return false;
    if (scratch_.empty() || scratch_[0] == ';') continue;
    if (scratch_[0] == '[') return false;
    const std::size_t equals = scratch_.find('=');
    if (equals == std::string::npos) continue;
    if (!EqualsIgnoringAsciiCase(TrimTrailingWhitespace(std::string_view(scratch_).substr(0, equals)), key)) {
      continue;
    }
    // The first "=" kept is the first "=" of the raw line: dropped CR bytes
    // are not "=", and nothing before it was cut for length or a NUL.
    const char* raw_equals =
        static_cast<const char*>(std::memchr(text_.data() + line_start, '=', text_.size() - line_start));
    position_ = static_cast<std::size_t>(raw_equals - text_.data()) + 1;
    // The value may start on a later line, even on a header line: scripts
    // in circulation were written against this.
    while (position_ < text_.size() && IsWhitespace(text_[position_])) ++position_;
    return true;
  }
}

bool UpdateInfo::ReadLine(std::size_t capacity, std::string* line) {
  if (position_ >= text_.size()) return false;
  std::string_view text = std::string_view(text_).substr(position_);
  const std::size_t lf = text.find('\n');
  text = text.substr(0, lf);
  position_ += lf == std::string_view::npos ? text.size() : text.size() + 1;

  // The kept text ends at a NUL or at the capacity; CR bytes in it are
  // dropped, so it is copied run by run between them.
  const std::size_t keep = KeptLength(capacity);
  const std::size_t nul = text.find('\0');
  line_had_nul_ = nul != std::string_view::npos;
  text = text.substr(0, nul);
  line->clear();
  while (line->size() < keep) {
    const std::size_t cr = text.find('\r');
    line->append(text.substr(0, std::min(cr, keep - line->size())));
    if (cr == std::string_view::npos) break;
    text.remove_prefix(cr + 1);
  }
  return true;
}

}  // namespace quintarel
