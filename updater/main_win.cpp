// The updater's process entry: assembles the Win32 services and runs the
// application.
#include <windows.h>

#include <commctrl.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "package/file_system.h"
#include "updater/archive_builder.h"
#include "updater/process_environment_win.h"
#include "updater/stand_in_wizard_win.h"
#include "updater/updater_app.h"
#include "updater/user_interface_win.h"

// The C runtime must not expand wildcards: the argument is matched by the
// application itself.
extern "C" {
int _dowildcard = 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);

  try {
    quintarel::FileSystem& files = quintarel::OperatingSystemFiles();
    quintarel::Win32ProcessEnvironment environment;
    quintarel::Win32UserInterface ui;
    quintarel::ArchiveBuilder builder(files, environment, ui);
    quintarel::StandInWizard wizard(files, environment, ui);
    quintarel::UpdaterApp app(environment, ui, builder, wizard);
    app.Startup(arguments);
  } catch (...) {
    return 1;
  }
  return 0;
}
