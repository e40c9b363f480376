#include "support/outputFile.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/escapeBytes.h"

namespace {

const size_t kFlushAt = 1 << 20;
// As the kernel's own limit on a chain of symbolic links.
const int kMaxHops = 40;

// The temporary files the signal handler removes. A slot is claimed (1),
// filled, then published (2); the handler reads only published paths, which
// live in static storage, so it neither allocates nor meets freed memory.
struct TempSlot {
  std::atomic<int> state;
  char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free,
              "the signal handler reads the slots");
const int kTempSlots = 32;
TempSlot tempSlots[kTempSlots];

// The slot now holding path, or -1 when none is free (the file is then
// removed on every exit but a signal).
int holdTemp(const std::string& path) {
  if (path.size() >= PATH_MAX) {
    return -1;
  }
  for (int k = 0; k < kTempSlots; ++k) {
    int free = 0;
    if (tempSlots[k].state.compare_exchange_strong(free, 1)) {
      std::memcpy(tempSlots[k].path, path.c_str(), path.size() + 1);
      tempSlots[k].state.store(2);
      return k;
    }
  }
  return -1;
}

void releaseTemp(int slot) {
  if (slot >= 0) {
    tempSlots[slot].state.store(0);
  }
}

extern "C" void removeTemporariesAndDie(int sig) {
  for (TempSlot& slot : tempSlots) {
    if (slot.state.load() == 2) {
      unlink(slot.path);
    }
  }
  // The handler was reset on entry: the signal ends the process as it
  // would have, once this returns if not at once.
  raise(sig);
}

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool isNumber(const std::string& s) {
  return !s.empty() && s.size() < 10 &&
         s.find_first_not_of("0123456789") == std::string::npos;
}

// Whether the folder is a process's descriptor folder, /proc/PID/fd or
// /proc/PID/task/TID/fd, as realpath gives it; pid set to its process.
bool isDescriptorFolder(const std::string& folder, long& pid) {
  const std::string proc = "/proc/";
  if (folder.compare(0, proc.size(), proc) != 0) {
    return false;
  }
  size_t end = folder.find('/', proc.size());
  std::string id = folder.substr(proc.size(), end - proc.size());
  if (!isNumber(id) || end == std::string::npos) {
    return false;
  }
  pid = std::atol(id.c_str());
  std::string rest = folder.substr(end);
  if (rest == "/fd") {
    return true;
  }
  const std::string task = "/task/";
  size_t fd = rest.rfind("/fd");
  return rest.compare(0, task.size(), task) == 0 && fd + 3 == rest.size() &&
         isNumber(rest.substr(task.size(), fd - task.size()));
}

// Where a chain of symbolic links ends. A link in a descriptor folder
// (reached as /dev/stdout, /dev/fd/N, /proc/self/fd/N or otherwise) names
// an open descriptor, not the file its text shows ("pipe:[123]" for a
// pipe): fd is then the descriptor when it is this process's, and
// otherwise inPlace says to open the link itself.
struct LinkEnd {
  std::string path;
  int fd = -1;
  bool inPlace = false;
  int err = 0;  // ELOOP when the chain does not end
};

LinkEnd followLinks(std::string path) {
  for (int hop = 0; hop <= kMaxHops; ++hop) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      return {path};
    }
    if (hop == kMaxHops) {
      return {path, -1, false, ELOOP};
    }
    std::string base = path.substr(path.rfind('/') + 1);
    char* folder = realpath(folderOf(path).c_str(), nullptr);
    long pid = 0;
    bool descriptor =
        folder && isNumber(base) && isDescriptorFolder(folder, pid);
    std::free(folder);
    if (descriptor) {
      return pid == getpid() ? LinkEnd{path, std::atoi(base.c_str())}
                             : LinkEnd{path, -1, true};
    }
    std::string link(static_cast<size_t>(st.st_size) + 256, '\0');
    ssize_t n = readlink(path.c_str(), &link[0], link.size());
    if (n < 0 || static_cast<size_t>(n) >= link.size()) {
      return {path};
    }
    link.resize(static_cast<size_t>(n));
    path = link[0] == '/' ? link : folderOf(path) + "/" + link;
  }
  return {path};
}

// A name in target's folder that no file has, created with mode (less the
// umask, which open applies).
int createTemp(const std::string& target, mode_t mode, std::string& temp) {
  size_t slash = target.rfind('/');
  std::string folder =
      slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string base =
      slash == std::string::npos ? target : target.substr(slash + 1);
  unsigned long seed =
      static_cast<unsigned long>(
          std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<unsigned long>(getpid()) << 20);
  for (int attempt = 0; attempt < 100; ++attempt) {
    seed = seed * 6364136223846793005UL + 1442695040888963407UL;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%06lx", (seed >> 40) & 0xffffff);
    temp = folder + "." + base + suffix;
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) {
      return fd;
    }
  }
  return -1;
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : path_(path) {
  LinkEnd end;
  if (path == "-") {
    end.fd = STDOUT_FILENO;
  } else {
    end = followLinks(path);
  }
  target_ = end.path;
  if (end.fd >= 0) {
    int flags = fcntl(end.fd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
      fail(nullptr, flags < 0 ? errno : EBADF);
      return;
    }
    std::fflush(stdout);
    fd_ = end.fd;
    ownFd_ = false;
    return;
  }
  if (end.err != 0) {
    fail(nullptr, end.err);
    return;
  }
  struct stat st;
  bool exists = !end.inPlace && stat(target_.c_str(), &st) == 0;
  if (!end.inPlace && !exists && errno != ENOENT) {
    fail(nullptr, errno);
    return;
  }
  if (exists && S_ISDIR(st.st_mode)) {
    fail(nullptr, EISDIR);
    return;
  }
  if (end.inPlace || (exists && !S_ISREG(st.st_mode))) {
    // Another process's descriptor is opened afresh, as a shell's ">"
    // opens it; truncating leaves a device or a pipe as it is.
    fd_ = open(target_.c_str(),
               O_WRONLY | O_CLOEXEC | (end.inPlace ? O_TRUNC : 0));
    if (fd_ < 0) {
      fail(nullptr, errno);
    }
    return;
  }
  // Renaming would replace a file that a shell's ">" refuses to write.
  if (exists && faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
    fail(nullptr, errno);
    return;
  }
  // No signal between creating the temporary file and its entry in the
  // handler's list.
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  fd_ = createTemp(target_, exists ? 0600 : 0666, temp_);
  int err = errno;
  if (fd_ >= 0) {
    tempSlot_ = holdTemp(temp_);
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  if (fd_ < 0) {
    temp_.clear();
    fail("creating a file in its folder", err);
    return;
  }
  if (exists) {
    // The replacement stands in for the old file: same permissions and,
    // where allowed, the same owner.
    if ((st.st_uid != geteuid() || st.st_gid != getegid()) &&
        fchown(fd_, st.st_uid, st.st_gid) != 0) {
      errno = 0;
    }
    if (fchmod(fd_, st.st_mode & 07777) != 0) {
      fail("setting its permissions", errno);
      discard();
    }
  }
  errno = errno_;
}

OutputFile::~OutputFile() {
  discard();
}

void OutputFile::write(std::string_view text) {
  buf_.append(text.data(), text.size());
  if (buf_.size() >= kFlushAt) {
    flush();
  }
}

void OutputFile::flush() {
  if (!ownFd_) {
    // What the program printed on the same descriptor comes first.
    std::fflush(stdout);
  }
  size_t done = 0;
  while (fd_ >= 0 && errno_ == 0 && done < buf_.size()) {
    ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      fail(nullptr, n < 0 ? errno : EIO);
      break;
    }
    done += static_cast<size_t>(n);
  }
  buf_.clear();
}

bool OutputFile::commit() {
  if (fd_ < 0) {
    errno = errno_;
    return false;
  }
  flush();
  if (ownFd_) {
    if (close(fd_) != 0 && errno_ == 0) {
      fail(nullptr, errno);
    }
  }
  fd_ = -1;
  if (errno_ == 0 && !temp_.empty()) {
    if (rename(temp_.c_str(), target_.c_str()) != 0) {
      fail("putting it in place", errno);
    } else {
      releaseTemp(tempSlot_);
      tempSlot_ = -1;
      temp_.clear();
    }
  }
  discard();
  errno = errno_;
  return errno_ == 0;
}

void OutputFile::fail(const char* doing, int err) {
  if (errno_ == 0) {
    errno_ = err;
    error_ = "cannot write " + escapeBytes(path_) + ": " + std::strerror(err);
    if (doing) {
      error_ += std::string(" (") + doing + ")";
    }
  }
  errno = errno_;
}

void OutputFile::discard() {
  int err = errno;
  if (fd_ >= 0 && ownFd_) {
    close(fd_);
  }
  fd_ = -1;
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    releaseTemp(tempSlot_);
    tempSlot_ = -1;
    temp_.clear();
  }
  errno = err;
}

bool writeOutputFile(const std::string& path,
                     std::string_view text,
                     std::string& error) {
  OutputFile out(path);
  out.write(text);
  if (!out.commit()) {
    error = out.error();
    return false;
  }
  return true;
}

void removeTemporariesOnSignals() {
  const int kEnding[] = {SIGHUP, SIGINT,  SIGQUIT, SIGILL,  SIGABRT, SIGFPE,
                         SIGBUS, SIGSEGV, SIGPIPE, SIGTERM, SIGXCPU, SIGXFSZ};
  for (int sig : kEnding) {
    struct sigaction now;
    if (sigaction(sig, nullptr, &now) != 0 || (now.sa_flags & SA_SIGINFO) ||
        now.sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = removeTemporariesAndDie;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(sig, &sa, nullptr);
  }
}
