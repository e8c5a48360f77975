// show, value and lines: what the updater reads from a script.

#include <cstdio>

#include "package/script_values.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/names.h"
#include "tools/upkit/script_summary.h"
#include "tools/upkit/terminal.h"

namespace quintarel::upkit {

namespace {

struct ScriptOptions {
  bool japanese = false;
  bool json = false;
  std::vector<std::string> operands;
};

// Parses the options that the command accepts; returns kExitOk or the
// usage error's code.
int ParseOptions(const char* command, const Arguments& args, bool accepts_json,
                 std::size_t operand_count, const char* operands_text, ScriptOptions* options) {
  for (const std::string& arg : args) {
    if (arg == "--japanese") {
      options->japanese = true;
    } else if (accepts_json && arg == "--json") {
      options->json = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "' for " + command);
    } else {
      options->operands.push_back(arg);
    }
  }
  if (options->operands.size() != operand_count) {
    return UsageError(std::string(command) + " takes " + operands_text);
  }
  return kExitOk;
}

void WriteRaw(const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fputc('\n', stdout);
}

}  // namespace

int RunShow(const Arguments& args) {
  ScriptOptions options;
  if (const int usage = ParseOptions("show", args, true, 1, "one SCRIPT or ARCHIVE", &options);
      usage != kExitOk) {
    return usage;
  }
  UpdateInfo info(options.japanese);
  UpdateArchive archive(OperatingSystemFiles());
  bool is_archive = false;
  if (!LoadScriptSource(options.operands[0], info, archive, &is_archive)) return kExitFailure;
  const ScriptSummary summary = ReadScriptSummary(info);
  const UpdateArchive* source = is_archive ? &archive : nullptr;
  const std::string out = options.json ? FormatSummaryJson(summary, source, options.japanese)
                                       : FormatSummaryText(summary, source);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitOk;
}

int RunValue(const Arguments& args) {
  ScriptOptions options;
  if (const int usage = ParseOptions("value", args, false, 3, "SCRIPT, SECTION and KEY", &options);
      usage != kExitOk) {
    return usage;
  }
  const std::string& path = options.operands[0];
  const std::string& section = options.operands[1];
  const std::string& key = options.operands[2];
  UpdateInfo info(options.japanese);
  UpdateArchive archive(OperatingSystemFiles());
  bool is_archive = false;
  if (!LoadScriptSource(path, info, archive, &is_archive)) return kExitFailure;
  std::string value;
  if (!info.GetValue(section, key, {}, &value)) {
    PrintError(path + ": no key " + PrintableName(key) + " in [" +
               PrintableName(info.MapSection(section)) + "]");
    return kExitNotFound;
  }
  MakeStdoutBinary();
  WriteRaw(value);
  return kExitOk;
}

int RunLines(const Arguments& args) {
  ScriptOptions options;
  if (const int usage = ParseOptions("lines", args, false, 2, "SCRIPT and SECTION", &options);
      usage != kExitOk) {
    return usage;
  }
  const std::string& path = options.operands[0];
  const std::string& section = options.operands[1];
  UpdateInfo info(options.japanese);
  UpdateArchive archive(OperatingSystemFiles());
  bool is_archive = false;
  if (!LoadScriptSource(path, info, archive, &is_archive)) return kExitFailure;
  // GetLine gives no lines both for a missing section and for an empty one;
  // only the first is "not found".
  const std::string mapped = info.MapSection(section);
  if (!info.FindSection(mapped)) {
    PrintError(path + ": no section [" + PrintableName(mapped) + "]");
    return kExitNotFound;
  }
  MakeStdoutBinary();
  for (const std::string& line : ReadSectionLines(info, section)) WriteRaw(line);
  return kExitOk;
}

}  // namespace quintarel::upkit
