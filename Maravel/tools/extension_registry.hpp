// The registry behind the pluginkit command: which extension bundles are
// known and which of them are switched on, kept for the user under
// $XDG_DATA_HOME/maravel/pluginkit/<identifier>, and the freedesktop files
// that switching on puts in place.
//
// An extension bundle is a folder holding the extension's executable and a
// "manifest" of key=value lines:
//   identifier=com.orvelin.Maravel.Tivenna
//   kind=thumbnail                  (or preview)
//   version=0.1.0
//   executable=tivenna              (a file in the bundle)
//   mime-type=application/x-uyap-udf
//   mime-package=maravel-udf.xml    (optional: a shared-mime-info package in the bundle)
//   thumbnailer=tivenna.thumbnailer (thumbnail kind: the thumbnailer entry in the bundle)
//
// Registering installs the MIME package under $XDG_DATA_HOME/mime and
// refreshes that database, and refreshes the desktop database of
// $XDG_DATA_HOME/applications (where a per-user install puts Maravel's
// desktop entry), so that file managers offer the user's applications for
// the type. Switching a thumbnail extension on writes its
// thumbnailer entry to $XDG_DATA_HOME/thumbnailers with the bundle's
// executable as the program; switching it off removes that entry. A preview
// extension has no file of its own: its state lives in the registry only.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maravel {

struct ExtensionManifest {
  std::string identifier;
  std::string kind;
  std::string version;
  std::string executable;
  std::string mimeType;
  std::string mimePackage;
  std::string thumbnailer;

  // Nothing when the manifest is missing or larger than 64 KiB, lacks the
  // identifier, kind or executable, names an unknown kind, or names a file
  // that is not a plain name inside the bundle.
  static std::optional<ExtensionManifest> read(const std::filesystem::path& bundle);
};

struct ExtensionRecord {
  std::string identifier;
  std::filesystem::path bundle;
  std::string version;
  bool enabled = false;
};

class ExtensionRegistry {
 public:
  // Every failure below comes back as a one-line reason; nothing on success.
  using Failure = std::optional<std::string>;

  explicit ExtensionRegistry(std::filesystem::path dataHome);

  // Records the bundle (made absolute) under its identifier, installs its
  // MIME package and refreshes the user's desktop database. A bundle registered before keeps its on or off
  // state (and an extension that is on gets its files again, pointing into the bundle as given now); a new
  // one starts off.
  Failure add(const std::filesystem::path& bundle);

  // Switches a registered extension on or off.
  Failure setEnabled(std::string_view identifier, bool enabled);

  std::optional<ExtensionRecord> find(std::string_view identifier) const;
  // Sorted by identifier.
  std::vector<ExtensionRecord> all() const;

  // Reverse-DNS names: letters, digits, '.', '-' and '_', not beginning with
  // a dot, at most 255 bytes; anything else could name a file elsewhere.
  static bool isValidIdentifier(std::string_view identifier);

  // The thumbnailer entry `entry` with TryExec and the program of Exec
  // replaced by `executable`, quoted for a desktop entry where needed.
  static std::string thumbnailerEntry(std::string_view entry, const std::filesystem::path& executable);

 private:
  std::filesystem::path recordPath(std::string_view identifier) const;
  Failure write(const ExtensionRecord& record) const;
  Failure apply(const ExtensionRecord& record, const ExtensionManifest& manifest) const;
  Failure installMimePackage(const std::filesystem::path& bundle, const ExtensionManifest& manifest) const;
  void refreshDesktopDatabase() const;

  std::filesystem::path dataHome_;
};

}  // namespace maravel
