// The output of a command line program, written as Unix tools write:
//
// - "-" is standard output.
// - A regular file, or a name not yet taken, is written to a temporary file
//   beside it that is renamed over it only once everything was written: no
//   reader ever sees half a file, and a failure leaves an old file as it was.
//   A symbolic link to a regular file keeps the link and replaces its target.
// - Anything else (a device such as /dev/full or /dev/stdout, a FIFO, a
//   socket, a terminal) is written to in place. It is never renamed over,
//   truncated or removed, whatever happens.
//
// Write errors name their cause ("cannot write OUT: No space left on
// device"). After prepareOutputs(), a pipe whose reader has gone is such an
// error ("Broken pipe") instead of a signal that ends the program.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <streambuf>
#include <string>
#include <vector>

namespace maravel::commandline {

// Lets writes to a pipe without a reader fail with EPIPE instead of ending
// the program with SIGPIPE. Call once at the start of main.
void prepareOutputs();

class Output {
 public:
  // `mode` is given to a new file, less the umask; a regular file that is
  // replaced keeps its own permissions.
  explicit Output(std::string name, mode_t mode = 0666);
  ~Output();  // an uncommitted temporary file is removed
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Opens the output; false (and error() set) when it cannot be.
  bool open();
  // Appends bytes; false once anything failed.
  bool write(std::span<const std::uint8_t> bytes);
  // Finishes: a temporary file is renamed into place. False when this or
  // anything before failed; nothing is left behind but the old file.
  bool commit();

  bool failed() const { return !error_.empty(); }
  // "cannot write NAME: REASON" (standard output is named "standard
  // output"); empty while nothing failed.
  const std::string& error() const { return error_; }

 private:
  bool fail(int error);
  void discard();

  std::string name_;
  mode_t mode_;
  int fd_ = -1;
  bool ownsDescriptor_ = false;
  std::string temporary_;  // the file renamed into place, if any
  std::string target_;     // what it replaces
  mode_t targetMode_ = 0;
  std::string error_;
};

// open, write and commit in one: nothing on success, else the error line.
std::optional<std::string> writeOutput(const std::string& name, std::span<const std::uint8_t> bytes,
                                       mode_t mode = 0666);

// A std::ostream over an Output, for programs that write as they go.
class OutputStream : public std::ostream {
 public:
  explicit OutputStream(Output& output);
  ~OutputStream() override;

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(Output& output);
    int_type overflow(int_type c) override;
    int sync() override;

   private:
    bool drain();
    Output& output_;
    std::vector<char> space_;
  };
  Buffer buffer_;
};

}  // namespace maravel::commandline
