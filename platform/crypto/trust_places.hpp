// Where the anchors for signatures, and the issuing certificates learned
// earlier, are kept. Only paths: nothing here reads a file.
//
// An anchor folder holds PEM or DER certificate files; those directly in it
// and in its `roots/` subfolder are anchors, those in its `intermediates/`
// subfolder are issuing certificates that help build chains and are trusted
// only when they chain to an anchor themselves. The issuer cache holds
// issuing certificates an online check fetched that chained to an anchor,
// each named by its SHA-256 ("<hex>.der"). The revocation cache holds the
// OCSP responses and CRLs an online check fetched and verified, reused
// until their next update (see RevocationCache).
#pragma once

#include <string>
#include <vector>

namespace maravel::crypto {

struct TrustPlaces {
  std::vector<std::string> anchorFolders;
  std::string issuerCache;           // empty: none
  std::string revocationCache = {};  // empty: none

  // The installed set (this build's share/maravel/trust, and the
  // package's /usr/share/maravel/trust), then /etc/maravel/trust, then
  // $XDG_CONFIG_HOME/maravel/trust (~/.config when unset); the caches are
  // $XDG_CACHE_HOME/maravel/issuers and .../revocation (~/.cache when
  // unset). The environment
  // variable MARAVEL_TRUST_DIRS, when set, replaces the three anchor folders
  // with its own list (separated by ':'; empty: no anchor at all), so that
  // tests and scripts never depend on what the machine has installed.
  static TrustPlaces standard();

  // The standard places with `folders` as the only anchor folders.
  static TrustPlaces replacingAnchors(std::vector<std::string> folders);
};

}  // namespace maravel::crypto
