// Where the host application lies, whether that counts as installed, and
// where it finds the extension bundles and the two helper programs.
//
// The installed layout below a prefix (/usr, /usr/local, /opt/maravel,
// ~/.local ...):
//   <prefix>/bin/maravel
//   <prefix>/lib/maravel/PlugIns/Pelsora.appex/   the preview extension
//   <prefix>/lib/maravel/PlugIns/Tivenna.appex/   the thumbnail extension
//   <prefix>/libexec/maravel/pluginkit            registers and enables them
//   <prefix>/libexec/maravel/qlmanage             refreshes the thumbnails
//   <prefix>/share/...                            the MIME type, desktop entry and thumbnailer
// A system-wide install (the package, or an administrator's under /usr or
// /opt) is registered by the files it installs under share/; only a
// per-user install under ~/.local registers for its user.
#pragma once

#include <string>
#include <string_view>

namespace maravel {

struct ToolPaths {
  std::string pluginkit;
  std::string qlmanage;
};

struct HostInstallation {
  std::string executablePath;  // as the kernel names the running program
  std::string homeDirectory;

  // The running program's own installation.
  static HostInstallation current();

  // Installed when the executable's path begins with "/usr/", "/opt/" or the
  // home directory followed by "/.local/": plain, case-sensitive prefix
  // tests, with no resolving of links or normalising.
  bool isInstalled() const;

  // Installed for every user: under "/usr/" or "/opt/" (and not in the
  // home directory, whatever that is named).
  bool isSystemWide() const;

  // <prefix>/share, where a system-wide install keeps its registration.
  std::string dataPath() const;

  // <prefix>/lib/maravel/PlugIns, the prefix being the folder above the
  // executable's folder, when that folder exists; else empty.
  std::string pluginsPath() const;

  // <prefix>/libexec/maravel/pluginkit and .../qlmanage, whether or not they
  // exist (a missing tool prints nothing, which the callers handle).
  ToolPaths tools() const;
};

}  // namespace maravel
