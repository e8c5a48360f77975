#ifndef TOOLS_UPKIT_COMMANDS_H_
#define TOOLS_UPKIT_COMMANDS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/file_stream.h"
#include "package/update_archive.h"
#include "package/update_info.h"

namespace quintarel::upkit {

// Exit codes that scripts rely on.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// value and lines: the key or section is not in the script.
inline constexpr int kExitNotFound = 3;

// A command's arguments, without the program and command names.
using Arguments = std::vector<std::string>;

int RunCompress(const Arguments& args);
int RunExpand(const Arguments& args);
int RunList(const Arguments& args);
int RunExtract(const Arguments& args);
int RunVerify(const Arguments& args);
int RunBuild(const Arguments& args);
int RunShow(const Arguments& args);
int RunValue(const Arguments& args);
int RunLines(const Arguments& args);
int RunDiff(const Arguments& args);

// Prints "upkit: message" and the usage text on stderr; returns kExitUsage.
int UsageError(std::string_view message);

// Prints "upkit: message" as one line on stderr.
void PrintError(std::string_view message);

// Opens the file at path for reading, or prints why it cannot be opened and
// returns null. Only files are opened: a pipe could block the open, a
// device never end.
std::unique_ptr<FileStream> OpenForReading(const std::string& path);

// Reads the archive at path. On failure prints why (a file error, or that
// the file is not a well-formed archive) and returns false.
bool OpenArchive(const std::string& path, UpdateArchive& archive);

// Reads the whole file at path. On failure prints the file error and
// returns false.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes);

// Loads into info the script at path, or, when path is an update archive,
// the script that is its entry 0; archive then holds the archive. On
// failure prints why (a file error, a damaged archive, or why the bytes
// are no script) and returns false. The script's text is held only by
// info, so a large script takes its size in memory once.
bool LoadScriptSource(const std::string& path, UpdateInfo& info, UpdateArchive& archive,
                      bool* is_archive);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_COMMANDS_H_
