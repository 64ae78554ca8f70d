#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process/process.hpp"
#include "platform/text/text.hpp"

extern char** environ;

namespace maravel {
namespace {

// Owns a descriptor and closes it once.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// Spawns the program with its standard output on `output`; the process id,
// or -1.
pid_t spawn(const std::string& path, const std::vector<std::string>& arguments, int output) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  const bool prepared = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
                        posix_spawn_file_actions_adddup2(&actions, output, 1) == 0 &&
                        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0) == 0;
  pid_t pid = -1;
  if (!prepared || posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

std::string readToEnd(int fd) {
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

void waitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

std::string run(const std::string& path, const std::vector<std::string>& arguments) {
  int ends[2];
  // Close-on-exec keeps both ends out of the child (it gets a copy as its
  // standard output) and out of programs other threads start meanwhile.
  if (::pipe2(ends, O_CLOEXEC) != 0) return {};
  Descriptor reading(ends[0]);
  Descriptor writing(ends[1]);
  const pid_t pid = spawn(path, arguments, writing.get());
  writing.reset();  // else the read below never sees the end of the output
  if (pid < 0) return {};
  std::string output = readToEnd(reading.get());
  waitFor(pid);
  return text::isValidUTF8(output) ? output : std::string();
}

}  // namespace maravel
