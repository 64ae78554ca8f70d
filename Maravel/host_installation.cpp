#include "Maravel/host_installation.hpp"

#include <filesystem>

#include "platform/process/process.hpp"

namespace maravel {
namespace {

std::filesystem::path prefixOf(const std::string& executablePath) {
  return std::filesystem::path(executablePath).parent_path().parent_path();
}

}  // namespace

HostInstallation HostInstallation::current() { return {process::executablePath(), process::homeDirectory()}; }

bool HostInstallation::isInstalled() const {
  const std::string_view path = executablePath;
  if (path.starts_with("/usr/") || path.starts_with("/opt/")) return true;
  return !homeDirectory.empty() && path.starts_with(homeDirectory + "/.local/");
}

bool HostInstallation::isSystemWide() const {
  const std::string_view path = executablePath;
  const bool inHome = !homeDirectory.empty() && path.starts_with(homeDirectory + "/");
  return !inHome && (path.starts_with("/usr/") || path.starts_with("/opt/"));
}

std::string HostInstallation::dataPath() const { return (prefixOf(executablePath) / "share").string(); }

std::string HostInstallation::pluginsPath() const {
  if (executablePath.empty()) return {};
  const std::filesystem::path plugins = prefixOf(executablePath) / "lib" / "maravel" / "PlugIns";
  std::error_code error;
  return std::filesystem::is_directory(plugins, error) ? plugins.string() : std::string();
}

ToolPaths HostInstallation::tools() const {
  const std::filesystem::path folder = prefixOf(executablePath) / "libexec" / "maravel";
  return {(folder / "pluginkit").string(), (folder / "qlmanage").string()};
}

}  // namespace maravel
