#pragma once
#include <string>
#include <string_view>

// An output file that never destroys what it did not make. A regular file,
// or a path that does not exist yet, is written to a temporary file in the
// same folder and renamed over it at commit, so that a failure leaves the
// old file as it was; a symbolic link is followed to its target first, an
// existing file keeps its permission bits and a new one gets 0666 less the
// umask. A device, a pipe or "-" (standard output) is written in place. On
// any failure only the temporary file is removed; errno holds the cause
// and error() a message naming the path.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool opened() const { return fd_ >= 0; }

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
  int fd_ = -1;
  bool ownFd_ = true;  // false for standard output
  int errno_ = 0;
  std::string buf_;
  std::string error_;
};

// The whole of text to path through an OutputFile; false with the message.
bool writeOutputFile(const std::string& path,
                     std::string_view text,
                     std::string& error);
