// Registering and enabling the two extensions with pluginkit, refreshing the
// thumbnails with qlmanage, and reading whether both are on.
//
// The functions only decide which command lines run in which order; the
// programs are started through a ToolRunner, so the same steps run against
// the real tools or a test's stand-in.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Maravel/host_installation.hpp"

namespace maravel {

// Runs a program with its arguments and returns what it printed (empty when
// it could not run). Called off the main thread, so it must be safe there.
using ToolRunner =
    std::function<std::string(const std::string& path, const std::vector<std::string>& arguments)>;

class ExtensionActivation {
 public:
  // The bundles in the PlugIns folder, in the order of the identifiers.
  static const std::vector<std::string>& bundleNames();

  // A query printed a line for an extension that is on: not empty and not
  // beginning with "-" (the mark of one switched off).
  static bool isEnabled(std::string_view queryOutput);

  // In this order: "pluginkit -a <pluginsPath>/<bundle>" for each bundle,
  // "pluginkit -e use -i <id>" for each identifier, "qlmanage -r", then
  // "pluginkit -m -i <id>" for the first identifier and, only when that one
  // is on, for the second. True when both queries say on. Outputs of the
  // first steps are ignored; exit codes are never looked at.
  static bool registerAndCheck(const std::string& pluginsPath, const std::vector<std::string>& extensionIDs,
                               const ToolPaths& tools, const ToolRunner& runner);

  // The files a system-wide install registers the type, the window and
  // the thumbnailer with, relative to its data folder (<prefix>/share):
  // the MIME database's entry for the type (made from the installed MIME
  // package), the desktop entry and the thumbnailer entry.
  static const std::vector<std::string>& systemFiles();

  // True when every one of systemFiles() is under `dataPath`. Only reads:
  // a system-wide install writes nothing into the user's home, so that
  // nothing of it outlives its removal there.
  static bool checkSystemWide(const std::string& dataPath);

  // "qlmanage -r"; its output is ignored.
  static void refresh(const ToolPaths& tools, const ToolRunner& runner);
};

}  // namespace maravel
