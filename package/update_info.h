#ifndef PACKAGE_UPDATE_INFO_H_
#define PACKAGE_UPDATE_INFO_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "package/file_system.h"
#include "package/stream.h"

namespace quintarel {

// Reader of the update information script: 8-bit text split into lines at
// LF, CR ignored everywhere, "[name]" section headers, "key=value" lines and
// ";" comments. Names compare ignoring the case of ASCII letters only.
//
// Every lookup moves one shared read position, so a list is read by one
// GetLine with a section followed by GetLine calls without one, with no other
// lookup in between. Archives in circulation rely on the quirks of this
// reader (line capacities, the value skip across line ends, the first
// matching section winning), so they are kept exactly.
//
// A NUL byte ends the text of its line: the rest of that line is read but
// dropped, as bytes beyond a line's capacity are, so no returned text ever
// holds a NUL.
class UpdateInfo {
 public:
  // Line capacities including the terminating NUL of the original buffers:
  // a line keeps at most capacity - 1 bytes.
  static constexpr std::size_t kSearchCapacity = 512;
  static constexpr std::size_t kValueCapacity = 1024;

  static constexpr std::string_view kSignature = "[Quintarel Corporation UpdateInfo]";
  static constexpr std::string_view kHeaderSection = "Quintarel Corporation UpdateInfo";
  static constexpr std::string_view kFormatKey = "format";
  static constexpr std::string_view kJapaneseSection = "japanese";

  // When japanese is set, section names are redirected through [japanese].
  explicit UpdateInfo(bool japanese);

  // Reads the whole script from the stream's current position to its
  // length and checks the signature line and "format" = 0. On false the
  // reader holds no text. Stream errors (FileError) propagate.
  bool Load(Stream& stream);
  // Load on text already in memory, without copying it: on true the reader
  // has taken text over (text is left empty); on false text is unchanged.
  bool LoadText(std::string& text);

  // Load on the file at path. False, silently, when the file cannot be
  // opened or a read error occurs.
  bool LoadScriptFile(FileSystem& files, const std::string& path);

  // The value of key in section (after MapSection), at most capacity - 1
  // bytes, trailing whitespace kept; true when found. Otherwise *value is
  // default_value cut to capacity - 1 bytes and the result is false.
  bool GetValue(std::string_view section, std::string_view key, std::string_view default_value,
                std::string* value, std::size_t capacity = kValueCapacity);

  // Finds section (after MapSection) and yields its first line. False, with
  // *line untouched, when the section is missing or has no lines.
  bool GetLine(std::string_view section, std::string* line);
  // Yields the next line of the list that the last GetLine(section) started.
  // False, with *line untouched, at the next "[" line or the end of the text.
  bool GetLine(std::string* line);

  // The section to read for name: with the japanese flag, the value of the
  // key name in [japanese] when there is one (taken as it is, trailing
  // spaces included); otherwise name. [japanese] itself is never redirected.
  std::string MapSection(std::string_view name);

  // Moves to the start of the line after the first header named name.
  bool FindSection(std::string_view name);
  // From the current position, finds the key line of key before the next
  // header and moves past its "=" and all whitespace after it, across line
  // ends too.
  bool FindKey(std::string_view key);
  // Reads up to and past the next LF or the end of the text. False, with
  // *line untouched, at the end of the text.
  bool ReadLine(std::size_t capacity, std::string* line);

  bool japanese() const { return japanese_; }
  // Reads the same text as the other system would, without loading it again.
  void set_japanese(bool japanese) { japanese_ = japanese; }
  // Whether the last line read held a NUL byte, so that whatever followed
  // it on that line was dropped.
  bool line_had_nul() const { return line_had_nul_; }

 private:
  std::string text_;
  std::size_t position_ = 0;
  bool japanese_;
  bool line_had_nul_ = false;
  // Reused by the searches so that scanning a large script does not allocate.
  std::string scratch_;
};

}  // namespace quintarel

#endif  // PACKAGE_UPDATE_INFO_H_
