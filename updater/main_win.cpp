// The updater's process entry: assembles the Win32 services and runs the
// application.
#include <windows.h>

#include <commctrl.h>
#include <stdlib.h>

#include <memory>
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
#include "updater/upgrade/environment_library_loader.h"
#include "updater/upgrade/system_services.h"
#include "updater/unattended/unattended_options.h"
#include "updater/unattended/unattended_upgrade.h"
#include "updater/unattended/upgrade_log.h"
#include "updater/wizard/wizard_context.h"
#include "updater/wizard/wizard_dialog_win.h"

// The C runtime must not expand wildcards: the argument is matched by the
// application itself.
extern "C" {
int _dowildcard = 0;
}

namespace {

// A window program has no console of its own: text for the person who ran
// the command goes to the console of the one that started it, if any.
void TellParentConsole(const std::string& text) {
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  const quintarel::ScopedFileHandle console(::CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                                          OPEN_EXISTING, 0, nullptr));
  DWORD written = 0;
  if (console) ::WriteFile(console.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::FreeConsole();
}

// The operating system's services, with the string table and the library
// binding that the front end chooses.
quintarel::SystemServices OperatingSystemServices(quintarel::FileSystem& files, quintarel::StringTable& strings,
                                                  quintarel::EnvironmentLibraryLoader& library) {
  return {files,
          quintarel::OperatingSystemRegistry(),
          quintarel::OperatingSystemShell(),
          quintarel::OperatingSystemFileVersions(),
          strings,
          quintarel::OperatingSystemProfile(),
          quintarel::OperatingSystemShellFolders(),
          quintarel::OperatingSystemShellLinks(),
          library};
}

int RunUnattended(const std::vector<std::string>& arguments) {
  using quintarel::UnattendedResult;
  quintarel::FileSystem& files = quintarel::OperatingSystemFiles();
  quintarel::UnattendedOptions options;
  const std::string usage = quintarel::ParseUnattendedOptions(arguments, &options);
  // A log named before a bad switch still gets the usage error.
  std::unique_ptr<quintarel::UpgradeLog> log;
  if (options.log) {
    log = quintarel::UpgradeLog::Create(files, *options.log, quintarel::LocalTimestamp);
  }
  if (!usage.empty() || (options.log && !log)) {
    const std::string text = (usage.empty() ? "the log " + *options.log + " cannot be created" : usage) +
                             "\r\n" + quintarel::kUnattendedUsage;
    if (log) log->Line(text);
    TellParentConsole("updater: " + text);
    return static_cast<int>(UnattendedResult::kUsage);
  }
  const auto line = [&log](const std::string& text) {
    if (log) log->Line(text);
  };
  std::string command = "start: updater.exe";
  for (const std::string& argument : arguments) command += " " + argument;
  line(command);
  const quintarel::ComScope com;
  quintarel::Win32ProcessEnvironment environment;
  const std::unique_ptr<quintarel::EnvironmentLibraryLoader> library = quintarel::LoggingLibraryLoader(line);
  const quintarel::UnattendedServices services{
      OperatingSystemServices(files, quintarel::EnglishStringTable(), *library),
      environment,
  };
  const auto result = static_cast<int>(quintarel::RunUnattended(services, options, line));
  line("end: exit code " + std::to_string(result));
  return result;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
  if (quintarel::IsUnattended(arguments)) {
    try {
      return RunUnattended(arguments);
    } catch (...) {
      return static_cast<int>(quintarel::UnattendedResult::kNotWritten);
    }
  }

  try {
    // The folder browser and the shell links are COM objects.
    const quintarel::ComScope com;
    quintarel::FileSystem& files = quintarel::OperatingSystemFiles();
    quintarel::Win32ProcessEnvironment environment;
    quintarel::Win32UserInterface ui;
    quintarel::ArchiveBuilder builder(files, environment, ui);
    const quintarel::WizardServices services{
        OperatingSystemServices(files, quintarel::ProgramStringTable(), quintarel::OperatingSystemLibraryLoader()),
        ui,
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
