#include "support/outputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "support/escapeBytes.h"

namespace {

const size_t kFlushAt = 1 << 20;

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The path a chain of symbolic links ends at, existing or not. A loop is
// left for open to report.
std::string followLinks(std::string path) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      break;
    }
    std::string link(static_cast<size_t>(st.st_size) + 256, '\0');
    ssize_t n = readlink(path.c_str(), &link[0], link.size());
    if (n < 0 || static_cast<size_t>(n) >= link.size()) {
      break;
    }
    link.resize(static_cast<size_t>(n));
    path = link[0] == '/' ? link : folderOf(path) + "/" + link;
  }
  return path;
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
  if (path == "-") {
    std::fflush(stdout);
    fd_ = STDOUT_FILENO;
    ownFd_ = false;
    return;
  }
  target_ = followLinks(path);
  struct stat st;
  bool exists = stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    fail(nullptr, EISDIR);
    return;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) {
      fail(nullptr, errno);
    }
    return;
  }
  fd_ = createTemp(target_, exists ? 0600 : 0666, temp_);
  if (fd_ < 0) {
    int err = errno;
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
    fd_ = -1;
  }
  if (errno_ == 0 && !temp_.empty()) {
    if (rename(temp_.c_str(), target_.c_str()) != 0) {
      fail("putting it in place", errno);
    } else {
      temp_.clear();
    }
  }
  discard();
  errno = errno_;
  return errno_ == 0;
}

void OutputFile::fail(const char* doing, int err) {
  if (errno_ != 0) {
    return;
  }
  errno_ = err;
  error_ = "cannot write " + escapeBytes(path_) + ": " + std::strerror(err);
  if (doing) {
    error_ += std::string(" (") + doing + ")";
  }
}

void OutputFile::discard() {
  int err = errno;
  if (fd_ >= 0 && ownFd_) {
    close(fd_);
  }
  fd_ = -1;
  if (!temp_.empty()) {
    unlink(temp_.c_str());
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
