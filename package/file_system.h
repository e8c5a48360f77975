#ifndef PACKAGE_FILE_SYSTEM_H_
#define PACKAGE_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "package/file_error.h"
#include "package/name_form.h"
#include "package/stream.h"

namespace quintarel {

// An open operating-system file. Every operation returns kNone on success.
// Destroying the object closes the file.
class File {
 public:
  virtual ~File() = default;

  virtual FileErrorCause Read(void* buffer, std::size_t count, std::size_t* read) = 0;
  virtual FileErrorCause Write(const void* buffer, std::size_t count) = 0;
  virtual FileErrorCause Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) = 0;
  virtual FileErrorCause GetLength(std::uint64_t* length) = 0;
  virtual FileErrorCause SetLength(std::uint64_t length) = 0;
  // Writes what the file holds through to the disk, so that it survives a
  // power cut (Win32 FlushFileBuffers, POSIX fsync).
  virtual FileErrorCause Flush() = 0;
  // Closes the file, reporting a failure to write out what it held.
  virtual FileErrorCause Close() = 0;
};

// File times in seconds since 1970-01-01 00:00:00 UTC; 0 means unknown.
struct FileTimes {
  std::int64_t creation = 0;
  std::int64_t last_write = 0;
  std::int64_t last_access = 0;
};

// One entry of a folder listing.
struct FolderEntry {
  std::string name;
  bool is_folder = false;
  // A symbolic link, junction or mount point (on Win32 a reparse point whose
  // tag is a name surrogate): searches never follow one, since it may lead
  // back to a folder above it. Other reparse points, such as cloud-sync
  // placeholders and deduplicated files, hold their own data: they are
  // ordinary files and folders, not links.
  bool is_link = false;
};

// The file services that the package needs. Paths are 8-bit strings, spelt
// in the object's name form, with "\" as the separator; the POSIX
// implementation maps "\" to "/".
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing file for reading, without sharing. Null on failure,
  // with the cause in *cause.
  virtual std::unique_ptr<File> OpenForRead(const std::string& path, FileErrorCause* cause) = 0;
  // Creates a file that is not there yet, for writing, without sharing.
  // Anything already at path, a symbolic link included, gives kAlreadyExists:
  // nothing prepared at the name is ever written through.
  virtual std::unique_ptr<File> CreateNew(const std::string& path, FileErrorCause* cause) = 0;

  // Whether a file or folder exists at path.
  virtual bool Exists(const std::string& path) = 0;
  // Whether path itself is a link as FolderEntry::is_link says; what it
  // points at does not matter.
  virtual bool IsLink(const std::string& path) = 0;
  // Whether the existing file at path can be replaced now: it is a file, not
  // a folder, and no process holds it open or runs it as a program or
  // library. A running program or a loaded library may still be opened for
  // reading and renamed, so Win32 tries an open for writing its data, with a
  // read-only attribute set aside for the try. The file is left as it was.
  virtual bool IsReplaceable(const std::string& path) = 0;
  // Leaves the archive attribute alone set: clears read-only, hidden, system.
  virtual bool SetArchiveAttributeOnly(const std::string& path) = 0;
  // Creates one folder; its parent must exist.
  virtual bool CreateFolder(const std::string& path) = 0;
  virtual bool GetTimes(const std::string& path, FileTimes* times) = 0;
  // Sets the times of an existing file; a field of 0 leaves that time alone.
  virtual bool SetTimes(const std::string& path, const FileTimes& times) = 0;
  // Renames from over to, replacing a file that is there.
  virtual FileErrorCause RenameReplacing(const std::string& from, const std::string& to) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // The entries of folder except "." and "..", in the order the system
  // returns them (Win32 lists folder + "\*.*"), until the finder stops: an
  // error partway through ends the listing with the entries given so far,
  // as the end does. False when the folder cannot be listed at all; entries
  // is then left as it was.
  virtual bool ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) = 0;
  // Copies a file with its attributes, replacing a file at to. The system's
  // error code (Win32: GetLastError, POSIX: errno), 0 on success; a failure
  // leaves no partial file at to.
  virtual std::uint32_t CopyReplacing(const std::string& from, const std::string& to) = 0;
  // Clears every attribute (read-only, hidden, system, archive).
  virtual bool SetNormalAttributes(const std::string& path) = 0;
  // Removes an empty folder.
  virtual bool RemoveFolder(const std::string& path) = 0;
};

// The operating system's own file system (Win32 or POSIX, chosen by the
// build), with paths spelt in form. POSIX names are bytes, the same in both.
FileSystem& OperatingSystemFiles(NameForm form = NameForm::kCodePage);

// Removes every file that the operating system's CreateNew made and that was
// neither renamed nor removed since: the temporary files of work under way.
// Safe in a signal handler, so that an interrupted program leaves none.
void RemoveUnfinishedFiles();

}  // namespace quintarel

#endif  // PACKAGE_FILE_SYSTEM_H_
