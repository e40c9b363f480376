#pragma once
#include <string>
#include <string_view>

// An output file that never destroys what it did not make. A regular file,
// or a path that does not exist yet, is written to a temporary file in the
// same folder and renamed over it at commit, so that a failure leaves the
// old file as it was; a symbolic link is followed to its target first, an
// existing file keeps its permission bits and a new one gets 0666 less the
// umask. An existing file the user may not write is refused, as a shell's
// ">" refuses it. A path naming one of the process's open descriptors
// ("-", /dev/stdout, /dev/fd/N, /proc/self/fd/N, however reached) is
// written through that descriptor, appending where it appends; a device or
// a pipe is written in place. On any failure only the temporary file is
// removed; errno holds the cause and error() a message naming the path.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // False when the path cannot be written; known before anything is
  // computed for it.
  bool opened() const { return fd_ >= 0; }

  // Written through standard output, so that the console lines step aside.
  bool onStandardOutput() const { return opened() && fd_ == 1 && !ownFd_; }

  // Buffered; a failure is kept for commit to report.
  void write(std::string_view text);

  // Writes what is buffered, closes, and puts the file in place. False when
  // anything failed since opening.
  bool commit();

  // "cannot write PATH: REASON" after a failure, else empty.
  const std::string& error() const { return error_; }

 private:
  void flush();
  void fail(const char* doing, int err);
  void discard();

  std::string path_;    // as given, for messages
  std::string target_;  // path_ with symbolic links followed
  std::string temp_;    // empty when written in place
  int tempSlot_ = -1;   // its entry among the signal handler's temporaries
  int fd_ = -1;
  bool ownFd_ = true;  // false for a descriptor the process had open
  int errno_ = 0;
  std::string buf_;
  std::string error_;
};

// The whole of text to path through an OutputFile; false with the message.
bool writeOutputFile(const std::string& path,
                     std::string_view text,
                     std::string& error);

// From now on, a signal that ends the process (SIGINT, SIGTERM, SIGHUP,
// SIGPIPE, SIGABRT and the like) first removes every temporary file an
// OutputFile holds, then ends it as before, so that its status still says
// which signal. Signals the process ignores or handles are left alone. For
// programs; a library's caller keeps its own handlers.
void removeTemporariesOnSignals();
