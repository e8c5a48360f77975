// The updater's process entry: assembles the Win32 services and runs the
// application.
#include <windows.h>

#include <commctrl.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "package/file_system.h"
#include "platform/file_versions.h"
#include "platform/registry.h"
#include "platform/scoped_handle_win.h"
#include "platform/shell.h"
#include "platform/shell_folders.h"
#include "platform/shell_links.h"
#include "platform/string_table.h"
#include "platform/system_profile.h"
#include "updater/app/archive_builder.h"
#include "updater/app/process_environment_win.h"
#include "updater/app/updater_app.h"
#include "updater/ui/user_interface_win.h"
#include "updater/wizard/wizard_context.h"
#include "updater/wizard/wizard_dialog_win.h"

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
    // The folder browser and the shell links are COM objects.
    const quintarel::ComScope com;
    quintarel::FileSystem& files = quintarel::OperatingSystemFiles();
    quintarel::Win32ProcessEnvironment environment;
    quintarel::Win32UserInterface ui;
    quintarel::ArchiveBuilder builder(files, environment, ui);
    const quintarel::WizardServices services{
        files,
        quintarel::OperatingSystemRegistry(),
        quintarel::OperatingSystemShell(),
        quintarel::OperatingSystemFileVersions(),
        quintarel::ProgramStringTable(),
        quintarel::OperatingSystemProfile(),
        ui,
        quintarel::OperatingSystemShellFolders(),
        quintarel::OperatingSystemShellLinks(),
        quintarel::OperatingSystemLibraryLoader(),
        environment.ProgramPath(),
    };
    quintarel::WizardDialog wizard(services, ui);
    quintarel::UpdaterApp app(environment, quintarel::ProgramStringTable(), ui, builder, wizard);
    app.Startup(arguments);
  } catch (...) {
    return 1;
  }
  return 0;
}
