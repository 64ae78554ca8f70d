// Starting the helper programs the host application talks to, and the two
// facts about the running program it needs: where its executable lies and
// whose home it runs in.
//
// Every function is safe on any thread and never throws.
#pragma once

#include <string>
#include <vector>

namespace maravel {

// Starts the program at `path` (no search of PATH, no shell) with `arguments`
// after its own name, its standard input and standard error on /dev/null and
// its standard output captured. Reads the output to its end, then waits for
// the program. Returns the output when it is valid UTF-8, else the empty
// string; also the empty string when the program cannot be started. The exit
// status is not looked at.
std::string run(const std::string& path, const std::vector<std::string>& arguments);

}  // namespace maravel

namespace maravel::process {

// The running program's executable as the kernel names it
// (/proc/self/exe, links resolved); empty when it cannot be read.
std::string executablePath();

// $HOME when set and not empty, else the home folder of the user's account;
// empty when neither is known.
std::string homeDirectory();

}  // namespace maravel::process
