#include "updater/unattended/unattended_options.h"

#include "package/text.h"

namespace quintarel {

const char kUnattendedUsage[] =
    "usage: updater.exe /quiet [/log=FILE] [/dir=FOLDER] [/force] [ARCHIVE]\r\n"
    "  /log=FILE     write what happens to FILE (replaced when it exists)\r\n"
    "  /dir=FOLDER   the installed program's folder, instead of the script's hints\r\n"
    "  /force        upgrade even when the newest version is already installed\r\n"
    "  ARCHIVE       the update archive (default: update.dat beside updater.exe)\r\n"
    "exit codes: 0 upgraded, 1 a file could not be written (all put back),\r\n"
    "  2 usage error, 3 archive missing or damaged, 4 program not found,\r\n"
    "  5 installed version too old, 6 newest already installed, 7 already running\r\n";

namespace {

// A value given as "/x=value", a pair of quotes around it dropped.
std::string Unquoted(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

bool IsUnattended(const std::vector<std::string>& arguments) {
  return !arguments.empty() && EqualsIgnoringAsciiCase(arguments.front(), "/quiet");
}

std::string ParseUnattendedOptions(const std::vector<std::string>& arguments, UnattendedOptions* options) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.empty() || argument[0] != '/') {
      if (options->archive) return "more than one archive: " + argument;
      options->archive = argument;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const std::optional<std::string> value =
        equals == std::string::npos ? std::nullopt : std::optional<std::string>(Unquoted(argument.substr(equals + 1)));
    if (EqualsIgnoringAsciiCase(name, "/force")) {
      if (value) return "/force takes no value";
      if (options->force) return "/force given twice";
      options->force = true;
      continue;
    }
    std::optional<std::string>* target = nullptr;
    if (EqualsIgnoringAsciiCase(name, "/log")) target = &options->log;
    if (EqualsIgnoringAsciiCase(name, "/dir")) target = &options->folder;
    if (target == nullptr) return "unknown switch " + name;
    if (!value || value->empty()) return name + " needs a value after '='";
    if (*target) return name + " given twice";
    *target = *value;
  }
  return "";
}

}  // namespace quintarel
