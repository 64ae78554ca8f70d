// Loads fontconfig's configuration on a thread of its own, for a program
// that asks for fonts only after other work (reading and parsing a
// document): the files are read on the second core meanwhile.
//
// The configuration is the same as the one the first question would load;
// a question asked before the load ends waits for it, and a configuration
// that cannot be loaded is missing exactly as it would be. Nothing else in
// the program may call fontconfig directly while the load runs.
#pragma once

#include <thread>

namespace maravel::fonts {

class ConfigurationLoad {
 public:
  // Starts the load; when no thread can be started, the first question
  // loads the configuration as before.
  ConfigurationLoad();
  // Waits for the load to end.
  ~ConfigurationLoad();
  ConfigurationLoad(const ConfigurationLoad&) = delete;
  ConfigurationLoad& operator=(const ConfigurationLoad&) = delete;

 private:
  std::thread thread_;
};

}  // namespace maravel::fonts
