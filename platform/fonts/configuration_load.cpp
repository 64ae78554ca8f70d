#include "platform/fonts/configuration_load.hpp"

#include <system_error>

#include "platform/fonts/font_config.hpp"

namespace maravel::fonts {

ConfigurationLoad::ConfigurationLoad() {
  try {
    thread_ = std::thread(loadConfiguration);
  } catch (const std::system_error&) {
    // No thread to spare: the first question loads it.
  }
}

ConfigurationLoad::~ConfigurationLoad() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace maravel::fonts
