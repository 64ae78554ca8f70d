#include "platform/commandline/command_output.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

namespace maravel::commandline {

namespace {

mode_t currentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

std::optional<struct stat> statusOf(const std::string& path, bool followLinks) {
  struct stat info {};
  if ((followLinks ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0) return std::nullopt;
  return info;
}

// The file a path finally names, through any symbolic links.
std::string resolved(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string out(real);
  std::free(real);
  return out;
}

}  // namespace

void prepareOutputs() { std::signal(SIGPIPE, SIG_IGN); }

Output::Output(std::string name, mode_t mode) : name_(std::move(name)), mode_(mode) {}

Output::~Output() { discard(); }

bool Output::fail(int error) {
  if (error_.empty()) {
    error_ = "cannot write " + (name_ == "-" ? std::string("standard output") : name_) + ": " +
             std::strerror(error);
  }
  discard();
  return false;
}

void Output::discard() {
  if (ownsDescriptor_ && fd_ >= 0) ::close(fd_);
  fd_ = -1;
  ownsDescriptor_ = false;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

bool Output::open() {
  if (name_ == "-") {
    fd_ = STDOUT_FILENO;
    return true;
  }
  const std::optional<struct stat> own = statusOf(name_, false);
  const std::optional<struct stat> final = statusOf(name_, true);
  const bool replaceable = !own || (final && S_ISREG(final->st_mode));
  if (!replaceable || (own && S_ISLNK(own->st_mode) && !final)) {
    // Not a regular file (or a link to none yet): written where it is.
    fd_ = ::open(name_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (own && !final ? O_CREAT : 0),
                 mode_ & ~currentUmask());
    ownsDescriptor_ = fd_ >= 0;
    return fd_ >= 0 || fail(errno);
  }
  target_ = own ? resolved(name_) : name_;
  targetMode_ = own ? final->st_mode & 07777 : mode_ & ~currentUmask();
  const std::filesystem::path path(target_);
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  temporary_ = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    temporary_.clear();
    return fail(errno);
  }
  ownsDescriptor_ = true;
  return true;
}

bool Output::write(std::span<const std::uint8_t> bytes) {
  if (failed() || fd_ < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(errno);
    if (n == 0) return fail(EIO);
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool Output::commit() {
  if (failed() || fd_ < 0) return false;
  if (temporary_.empty()) {
    const bool closed = !ownsDescriptor_ || ::close(fd_) == 0;
    const int error = errno;
    ownsDescriptor_ = false;
    fd_ = -1;
    return closed || fail(error);
  }
  if (::fchmod(fd_, targetMode_) != 0) return fail(errno);
  const int fd = std::exchange(fd_, -1);
  ownsDescriptor_ = false;
  if (::close(fd) != 0) return fail(errno);
  // Whatever took the name meanwhile, only a regular file is replaced.
  const std::optional<struct stat> now = statusOf(target_, false);
  if (now && !S_ISREG(now->st_mode)) return fail(EEXIST);
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) return fail(errno);
  temporary_.clear();
  return true;
}

std::optional<std::string> writeOutput(const std::string& name, std::span<const std::uint8_t> bytes,
                                       mode_t mode) {
  Output output(name, mode);
  if (output.open() && output.write(bytes) && output.commit()) return std::nullopt;
  return output.error();
}

OutputStream::Buffer::Buffer(Output& output) : output_(output), space_(std::size_t{1} << 16) {
  setp(space_.data(), space_.data() + space_.size());
}

bool OutputStream::Buffer::drain() {
  const auto size = static_cast<std::size_t>(pptr() - pbase());
  setp(space_.data(), space_.data() + space_.size());
  return output_.write({reinterpret_cast<const std::uint8_t*>(space_.data()), size});
}

OutputStream::Buffer::int_type OutputStream::Buffer::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) sputc(traits_type::to_char_type(c));
  return traits_type::not_eof(c);
}

int OutputStream::Buffer::sync() { return drain() ? 0 : -1; }

OutputStream::OutputStream(Output& output) : std::ostream(nullptr), buffer_(output) { rdbuf(&buffer_); }

OutputStream::~OutputStream() { flush(); }

}  // namespace maravel::commandline
