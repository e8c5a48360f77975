#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "package/file_system.h"
#include "package/unfinished_files.h"

namespace quintarel {

namespace {

// Paths arrive with "\" separators; POSIX wants "/".
std::string NativePath(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

FileErrorCause CauseOf(int error) {
  switch (error) {
    case 0: return FileErrorCause::kNone;
    case ENOENT: return FileErrorCause::kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return FileErrorCause::kBadPath;
    case EMFILE:
    case ENFILE:
      return FileErrorCause::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return FileErrorCause::kAccessDenied;
    case EEXIST: return FileErrorCause::kAlreadyExists;
    case EBADF: return FileErrorCause::kInvalidFile;
    case ESPIPE: return FileErrorCause::kBadSeek;
    case EIO: return FileErrorCause::kHardIO;
    case ETXTBSY: return FileErrorCause::kSharingViolation;
    case ENOLCK: return FileErrorCause::kLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileErrorCause::kDiskFull;
    default: return FileErrorCause::kGeneric;
  }
}

FileErrorCause LastCause() { return CauseOf(errno); }

// errno after a failure, never 0 (which would read as success).
std::uint32_t LastError() { return errno != 0 ? static_cast<std::uint32_t>(errno) : EIO; }

// Closes a descriptor on every way out.
class ScopedDescriptor {
 public:
  explicit ScopedDescriptor(int fd) : fd_(fd) {}
  ~ScopedDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  ScopedDescriptor(const ScopedDescriptor&) = delete;
  ScopedDescriptor& operator=(const ScopedDescriptor&) = delete;

  int get() const { return fd_; }
  // Closes now, reporting whether what was written reached the file.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

// Copies all of in to out; errno tells why when false.
bool CopyBytes(int in, int out) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(in, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t written = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
      if (written < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += written;
    }
  }
}

// Holds SIGINT, SIGTERM and SIGHUP on this thread for its lifetime; one
// that arrives meanwhile is delivered when the scope ends. The clean-up those
// signals run (RemoveUnfinishedFiles) must never come between a file's
// creation and its tracking, nor between its rename or removal and its
// forgetting: it would miss a file of ours, or remove a name that may be
// someone else's by then. Tracking the name before the create would not do:
// the clean-up could then remove a file that was already there, which the
// exclusive create refuses.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t held;
    ::sigemptyset(&held);
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) ::sigaddset(&held, signal_number);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  FileErrorCause Read(void* buffer, std::size_t count, std::size_t* read) override {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t total = 0;
    while (total < count) {
      const ssize_t got = ::read(fd_, out + total, count - total);
      if (got < 0) {
        if (errno == EINTR) continue;
        return LastCause();
      }
      if (got == 0) break;
      total += static_cast<std::size_t>(got);
    }
    *read = total;
    return FileErrorCause::kNone;
  }

  FileErrorCause Write(const void* buffer, std::size_t count) override {
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
      const ssize_t written = ::write(fd_, in, count);
      if (written < 0) {
        if (errno == EINTR) continue;
        return LastCause();
      }
      if (written == 0) return FileErrorCause::kDiskFull;
      in += written;
      count -= static_cast<std::size_t>(written);
    }
    return FileErrorCause::kNone;
  }

  FileErrorCause Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) override {
    int whence = SEEK_SET;
    if (origin == SeekOrigin::kCurrent) whence = SEEK_CUR;
    if (origin == SeekOrigin::kEnd) whence = SEEK_END;
    const off_t moved = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (moved < 0) return errno == EINVAL ? FileErrorCause::kBadSeek : LastCause();
    *position = static_cast<std::uint64_t>(moved);
    return FileErrorCause::kNone;
  }

  FileErrorCause GetLength(std::uint64_t* length) override {
    struct stat status;
    if (::fstat(fd_, &status) != 0) return LastCause();
    *length = static_cast<std::uint64_t>(status.st_size);
    return FileErrorCause::kNone;
  }

  FileErrorCause SetLength(std::uint64_t length) override {
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) return LastCause();
    return FileErrorCause::kNone;
  }

  FileErrorCause Flush() override {
    return ::fsync(fd_) == 0 ? FileErrorCause::kNone : LastCause();
  }

  FileErrorCause Close() override {
    if (fd_ < 0) return FileErrorCause::kNone;
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? FileErrorCause::kNone : LastCause();
  }

 private:
  int fd_;
};

std::unique_ptr<File> OpenFile(const std::string& path, int flags, FileErrorCause* cause) {
  const int fd = ::open(NativePath(path).c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) {
    *cause = LastCause();
    return nullptr;
  }
  // Windows refuses to open a folder as a file; so do we.
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(fd);
    *cause = FileErrorCause::kAccessDenied;
    return nullptr;
  }
  *cause = FileErrorCause::kNone;
  return std::make_unique<PosixFile>(fd);
}

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> OpenForRead(const std::string& path, FileErrorCause* cause) override {
    return OpenFile(path, O_RDONLY, cause);
  }

  std::unique_ptr<File> CreateNew(const std::string& path, FileErrorCause* cause) override {
    const SignalsHeld held;
    const UnfinishedFileCreation creation;
    if (!creation.allowed()) {
      *cause = FileErrorCause::kGeneric;
      return nullptr;
    }
    std::unique_ptr<File> file = OpenFile(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, cause);
    if (file) TrackUnfinishedFile(NativePath(path));
    return file;
  }

  bool Exists(const std::string& path) override {
    struct stat status;
    return !path.empty() && ::stat(NativePath(path).c_str(), &status) == 0;
  }

  bool IsLink(const std::string& path) override {
    struct stat status;
    return !path.empty() && ::lstat(NativePath(path).c_str(), &status) == 0 &&
           S_ISLNK(status.st_mode);
  }

  // POSIX has neither share modes nor locked program images: any file will do.
  bool IsReplaceable(const std::string& path) override {
    struct stat status;
    return !path.empty() && ::stat(NativePath(path).c_str(), &status) == 0 &&
           S_ISREG(status.st_mode);
  }

  // A link is left alone: what it points at is not this file's to change,
  // and the rename that follows replaces the link itself.
  bool SetArchiveAttributeOnly(const std::string& path) override {
    const std::string native = NativePath(path);
    struct stat status;
    if (::lstat(native.c_str(), &status) != 0) return false;
    if (S_ISLNK(status.st_mode)) return true;
    return ::chmod(native.c_str(), (status.st_mode & 07777) | S_IWUSR) == 0;
  }

  bool CreateFolder(const std::string& path) override {
    return ::mkdir(NativePath(path).c_str(), 0777) == 0;
  }

  bool GetTimes(const std::string& path, FileTimes* times) override {
    struct statx status;
    if (::statx(AT_FDCWD, NativePath(path).c_str(), 0, STATX_BASIC_STATS | STATX_BTIME,
                &status) != 0) {
      return false;
    }
    times->last_write = status.stx_mtime.tv_sec;
    times->last_access = status.stx_atime.tv_sec;
    times->creation =
        (status.stx_mask & STATX_BTIME) != 0 ? status.stx_btime.tv_sec : status.stx_mtime.tv_sec;
    return true;
  }

  // The creation time cannot be set here; write and access times can.
  bool SetTimes(const std::string& path, const FileTimes& times) override {
    struct timespec values[2];
    values[0].tv_sec = static_cast<time_t>(times.last_access);
    values[0].tv_nsec = times.last_access != 0 ? 0 : UTIME_OMIT;
    values[1].tv_sec = static_cast<time_t>(times.last_write);
    values[1].tv_nsec = times.last_write != 0 ? 0 : UTIME_OMIT;
    return ::utimensat(AT_FDCWD, NativePath(path).c_str(), values, 0) == 0;
  }

  FileErrorCause RenameReplacing(const std::string& from, const std::string& to) override {
    const std::string native = NativePath(from);
    const SignalsHeld held;
    if (::rename(native.c_str(), NativePath(to).c_str()) == 0) {
      ForgetUnfinishedFile(native);
      return FileErrorCause::kNone;
    }
    return LastCause();
  }

  bool RemoveFile(const std::string& path) override {
    const std::string native = NativePath(path);
    const SignalsHeld held;
    if (::unlink(native.c_str()) != 0) return false;
    ForgetUnfinishedFile(native);
    return true;
  }

  bool ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) override {
    const std::string native = NativePath(folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(native.c_str()), &::closedir);
    if (!listing) return false;
    std::vector<FolderEntry> found;
    // readdir gives null at the end and at an error alike: what it gave
    // until then is the listing, as the contract says.
    while (const dirent* item = ::readdir(listing.get())) {
      const std::string name = item->d_name;
      if (name == "." || name == "..") continue;
      FolderEntry entry;
      entry.name = name;
      // lstat, so that a link to a folder is reported as a link, not a folder.
      struct stat status;
      if (::lstat((native + "/" + name).c_str(), &status) == 0) {
        entry.is_link = S_ISLNK(status.st_mode);
        entry.is_folder = S_ISDIR(status.st_mode);
      }
      found.push_back(std::move(entry));
    }
    *entries = std::move(found);
    return true;
  }

  // Written to a temporary beside to and renamed over it at the end, so that
  // a failure leaves to as it was. Mode and times come along, as Win32's
  // copy keeps attributes and the last write time.
  std::uint32_t CopyReplacing(const std::string& from, const std::string& to) override {
    ScopedDescriptor in(::open(NativePath(from).c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return LastError();
    struct stat status;
    if (::fstat(in.get(), &status) != 0) return LastError();
    if (S_ISDIR(status.st_mode)) return EISDIR;

    const std::string target = NativePath(to);
    const std::size_t separator = target.find_last_of('/');
    std::string temporary =
        (separator == std::string::npos ? std::string() : target.substr(0, separator + 1)) +
        ".copy-XXXXXX";
    ScopedDescriptor out(::mkstemp(temporary.data()));
    if (out.get() < 0) return LastError();
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    if (!CopyBytes(in.get(), out.get()) || ::fchmod(out.get(), status.st_mode & 07777) != 0 ||
        ::futimens(out.get(), times) != 0 || !out.Close() ||
        ::rename(temporary.c_str(), target.c_str()) != 0) {
      const std::uint32_t error = LastError();
      ::unlink(temporary.c_str());
      return error;
    }
    return 0;
  }

  bool SetNormalAttributes(const std::string& path) override {
    // Only the owner's write permission stands for an attribute here.
    const std::string native = NativePath(path);
    struct stat status;
    if (::stat(native.c_str(), &status) != 0) return false;
    return ::chmod(native.c_str(), (status.st_mode & 07777) | S_IWUSR) == 0;
  }

  bool RemoveFolder(const std::string& path) override {
    return ::rmdir(NativePath(path).c_str()) == 0;
  }
};

}  // namespace

void RemoveUnfinishedFiles() {
  ForEachUnfinishedFile([](const char* path) { ::unlink(path); });
}

FileSystem& OperatingSystemFiles(NameForm) {
  static PosixFileSystem files;
  return files;
}

}  // namespace quintarel
