#include "Maravel/extension_activation.hpp"

#include <filesystem>

namespace maravel {

const std::vector<std::string>& ExtensionActivation::bundleNames() {
  static const std::vector<std::string> names = {"Pelsora.appex", "Tivenna.appex"};
  return names;
}

bool ExtensionActivation::isEnabled(std::string_view queryOutput) {
  return !queryOutput.empty() && queryOutput.front() != '-';
}

bool ExtensionActivation::registerAndCheck(const std::string& pluginsPath,
                                           const std::vector<std::string>& extensionIDs,
                                           const ToolPaths& tools, const ToolRunner& runner) {
  for (const std::string& bundle : bundleNames()) runner(tools.pluginkit, {"-a", pluginsPath + "/" + bundle});
  for (const std::string& id : extensionIDs) runner(tools.pluginkit, {"-e", "use", "-i", id});
  refresh(tools, runner);
  for (const std::string& id : extensionIDs) {
    if (!isEnabled(runner(tools.pluginkit, {"-m", "-i", id}))) return false;
  }
  return !extensionIDs.empty();
}

const std::vector<std::string>& ExtensionActivation::systemFiles() {
  static const std::vector<std::string> files = {"mime/application/x-uyap-udf.xml",
                                                 "applications/com.orvelin.Maravel.desktop",
                                                 "thumbnailers/tivenna.thumbnailer"};
  return files;
}

bool ExtensionActivation::checkSystemWide(const std::string& dataPath) {
  if (dataPath.empty()) return false;
  for (const std::string& file : systemFiles()) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::path(dataPath) / file, error)) return false;
  }
  return true;
}

void ExtensionActivation::refresh(const ToolPaths& tools, const ToolRunner& runner) {
  runner(tools.qlmanage, {"-r"});
}

}  // namespace maravel
