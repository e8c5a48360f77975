// The driver's commands, one per subcommand. Each returns an ExitCode and
// throws UsageError on a bad option.
#pragma once

#include "tests/gui/driver/driver_options.h"

namespace quintarel::gui {

// Window queries and waits (query_commands.cpp).
int CommandList(const Options& options);
int CommandWaitWindow(const Options& options);
int CommandWaitGone(const Options& options);
int CommandAbsent(const Options& options);
int CommandNoNewWindows(const Options& options);
int CommandText(const Options& options);
int CommandState(const Options& options);
int CommandControls(const Options& options);

// Input and the common dialogs (dialog_commands.cpp).
int CommandClick(const Options& options);
int CommandCommand(const Options& options);
int CommandSysCommand(const Options& options);
int CommandKey(const Options& options);
int CommandAnswerBox(const Options& options);
int CommandSaveAs(const Options& options);
int CommandBrowseFolder(const Options& options);

// Start-menu shell links (link_command.cpp).
int CommandLink(const Options& options);

}  // namespace quintarel::gui
