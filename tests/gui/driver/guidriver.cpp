// guidriver: drives another program's windows from inside the same Wine
// prefix, for the GUI scenarios. One subcommand per run; it prints what it
// found and exits 0 on success, 1 on a mismatch, 2 on a timeout and 3 on a
// usage error. Every wait is bounded.
//
// Windows are selected by --window HANDLE, or by --caption TEXT (exact)
// together with optional --has-id N (a descendant control with that id,
// repeatable), --box / --not-box (a message box is told from its owner by its
// text control 0xFFFF, since both carry the same caption) and --owner HANDLE.
// Texts are read as UTF-16 and converted with the process code page; an
// expected text is given with C escapes (--expect 'a\r\nb', \xNN for a
// byte) or as hex bytes (--expect-hex 82a0).
#include <cstdio>
#include <cstring>
#include <exception>

#include "tests/gui/driver/commands.h"

namespace quintarel::gui {

namespace {

constexpr char kUsageText[] =
    "usage: guidriver COMMAND OPTIONS\n"
    "  list [--hidden-ok]                       top-level windows and their controls\n"
    "  wait-window SEL [--timeout MS]           print the handle of the first match\n"
    "  wait-gone SEL [--timeout MS]             until no window matches\n"
    "  absent SEL [--for MS]                    fail if a match shows during MS\n"
    "  no-new-windows [--for MS] [--hold P]     fail if a new window shows during MS;\n"
    "                                           meanwhile P is held open without sharing\n"
    "  text SEL [--id N] [--expect T | --expect-hex H] [--print-hex]\n"
    "  state SEL --id N [--expect enabled,visible,...]\n"
    "  controls SEL --control 'ID|STATES[|TEXT]'... [--focus ID]\n"
    "                                           wait until every control matches\n"
    "  click SEL --id N                         post a click once enabled\n"
    "  command SEL --id N                       post WM_COMMAND (1 = IDOK, 2 = IDCANCEL)\n"
    "  syscommand SEL --command N               post WM_SYSCOMMAND (0xF060 = the close box)\n"
    "  key SEL --key escape|return|tab|space    post a key press to the focused control\n"
    "  answer-box [--caption C] [--owner H] --button yes|no|ok|cancel\n"
    "             [--expect T | --expect-hex H] [--buttons yes,no] [--print-hex]\n"
    "  save-as (--path P [--overwrite yes|no] | --cancel) [--expect-name N]\n"
    "  browse-folder (--path P | --cancel)\n"
    "  link (--common | --user) --name N [--target T]\n"
    "                                           make a Start-menu link, or print its target\n"
    "SEL: --window H | --caption C [--has-id N]... [--box | --not-box] [--owner H] [--hidden-ok]\n"
    "Every command takes --timeout MS (default 10000). Exit: 0 ok, 1 mismatch, 2 timeout, 3 usage.\n";

struct Command {
  const char* name;
  int (*run)(const Options&);
};

constexpr Command kCommands[] = {
    {"list", CommandList},           {"wait-window", CommandWaitWindow},
    {"wait-gone", CommandWaitGone},  {"absent", CommandAbsent},
    {"no-new-windows", CommandNoNewWindows}, {"text", CommandText},           {"state", CommandState},
    {"controls", CommandControls},   {"click", CommandClick},
    {"command", CommandCommand},     {"syscommand", CommandSysCommand},
    {"key", CommandKey},             {"answer-box", CommandAnswerBox},
    {"save-as", CommandSaveAs},      {"browse-folder", CommandBrowseFolder},
    {"link", CommandLink},
};

int Run(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    try {
      const int result = command.run(Options(argc, argv, 2));
      std::fflush(stdout);
      return result;
    } catch (const UsageError& error) {
      std::fprintf(stderr, "guidriver %s: %s\n", argv[1], error.message().c_str());
      return kUsage;
    } catch (const std::exception& error) {
      std::fprintf(stderr, "guidriver %s: %s\n", argv[1], error.what());
      return kUsage;
    }
  }
  std::fputs(kUsageText, stderr);
  return kUsage;
}

}  // namespace

}  // namespace quintarel::gui

int main(int argc, char** argv) { return quintarel::gui::Run(argc, argv); }
