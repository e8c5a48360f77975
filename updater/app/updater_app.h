#ifndef UPDATER_APP_UPDATER_APP_H_
#define UPDATER_APP_UPDATER_APP_H_

#include <optional>
#include <string>
#include <vector>

#include "platform/string_table.h"
#include "updater/app/archive_builder.h"
#include "updater/app/process_environment.h"
#include "updater/ui/user_interface.h"

namespace quintarel {

// The upgrade mode's window: runs modally for one archive path.
class Wizard {
 public:
  virtual ~Wizard() = default;
  virtual void Run(const std::string& archive_path) = 0;
};

// The application: one copy at a time, then either archive building or the
// upgrade wizard.
class UpdaterApp {
 public:
  static constexpr char kMutexName[] = "Quintarel Updater";

  UpdaterApp(ProcessEnvironment& environment, StringTable& strings, UserInterface& ui,
             ArchiveBuilder& builder, Wizard& wizard)
      : environment_(environment), strings_(strings), ui_(ui), builder_(builder), wizard_(wizard) {}

  // Runs the program for the command-line arguments after the program name;
  // the process ends when it returns.
  void Startup(const std::vector<std::string>& arguments);

 private:
  ProcessEnvironment& environment_;
  StringTable& strings_;
  UserInterface& ui_;
  ArchiveBuilder& builder_;
  Wizard& wizard_;
};

// The first argument that is not a switch ("-..." or "/..."), if any.
std::optional<std::string> FindPathArgument(const std::vector<std::string>& arguments);

// update.dat in the folder of the program's file.
std::string DefaultArchivePath(const std::string& program_path);

}  // namespace quintarel

#endif  // UPDATER_APP_UPDATER_APP_H_
