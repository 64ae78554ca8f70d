#include "platform/commandline/output_guard.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace maravel::commandline {

std::optional<OutputGuard::Identity> OutputGuard::identity(const std::string& name, int standardStream) {
  struct stat info {};
  const int status = name == "-" ? ::fstat(standardStream, &info) : ::stat(name.c_str(), &info);
  if (status != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return Identity{info.st_dev, info.st_ino};
}

OutputGuard::OutputGuard(const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    if (const std::optional<Identity> found = identity(input, STDIN_FILENO))
      inputs_.push_back({*found, input});
  }
}

std::optional<std::string> OutputGuard::refusal(const std::string& input, const std::string& output) const {
  const std::optional<Identity> target = identity(output, STDOUT_FILENO);
  if (!target) return std::nullopt;
  const auto same = [&](const Named& named) { return named.identity == *target; };
  const std::string name = output == "-" ? "standard output" : output;
  if (const auto found = std::find_if(inputs_.begin(), inputs_.end(), same); found != inputs_.end())
    return "cannot write " + name + ": it is " +
           (found->name == "-" ? "standard input" : "the input " + found->name);
  const auto earlier = std::find_if(written_.begin(), written_.end(), same);
  // The same document given twice makes the same file again.
  if (earlier == written_.end() || (earlier->source && earlier->source == identity(input, STDIN_FILENO)))
    return std::nullopt;
  return "cannot write " + name + ": it was just written from " + earlier->name;
}

void OutputGuard::written(const std::string& input, const std::string& output) {
  if (const std::optional<Identity> found = identity(output, STDOUT_FILENO))
    written_.push_back({*found, input == "-" ? "standard input" : input, identity(input, STDIN_FILENO)});
}

}  // namespace maravel::commandline
