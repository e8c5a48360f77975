#ifndef PLATFORM_SHELL_LINKS_H_
#define PLATFORM_SHELL_LINKS_H_

#include <optional>
#include <string>

namespace quintarel {

// Shell link files (".lnk") and the short names that comparing their
// targets needs.
class ShellLinks {
 public:
  virtual ~ShellLinks() = default;

  // Makes links usable on the calling thread until EndSession; false, with
  // no EndSession due, when that fails.
  virtual bool BeginSession() = 0;
  virtual void EndSession() = 0;
  // The path the link file points at; nothing when it cannot be loaded or
  // read.
  virtual std::optional<std::string> ReadTarget(const std::string& link_path) = 0;
  // Points the link file at target and saves it; false when either fails.
  virtual bool SetTarget(const std::string& link_path, const std::string& target) = 0;
  // The short (8.3) form of an existing path; nothing when it has none,
  // which is the case when nothing is there.
  virtual std::optional<std::string> ShortPath(const std::string& path) = 0;
};

// The shell's link objects (Windows builds only).
ShellLinks& OperatingSystemShellLinks();

}  // namespace quintarel

#endif  // PLATFORM_SHELL_LINKS_H_
