// A throwaway certification authority and signer, made in memory with
// libcrypto, that write detached CMS signatures shaped like the editor's:
// DER SignedData without eContent, RSA with SHA-256, the signer's and the
// authority's certificates carried inside, and signed attributes
// contentType, signingTime, signingCertificateV2 and messageDigest.
//
// The keys are fresh RSA keys each time a TestSigner is made and live only
// in memory; nothing is ever written to disk. The names imitate a TÜBİTAK
// Kamu SM certificate for the signer CAHİT YILMAZ (an invented person).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace maravel::testing {

class TestSigner {
 public:
  // Signing time 04.12.2026 14:30:15 UTC; the signer's certificate is
  // valid from 01.11.2026 to 01.11.2029.
  static constexpr const char* kSigningTime = "261204143015Z";

  struct Options {
    bool signedAttributes = true;
    // Carries, instead of the signer's certificate, another one with the
    // same issuer and serial number but another name and key.
    bool swappedCertificate = false;
    // The signer's certificate ended before the signing time.
    bool expiredCertificate = false;
    // Further certificates carried beside the two (distinct, same key).
    int extraCertificates = 0;
  };

  TestSigner();
  ~TestSigner();
  TestSigner(const TestSigner&) = delete;
  TestSigner& operator=(const TestSigner&) = delete;

  // The sign.sgn bytes for `content` (the content.xml member bytes).
  std::vector<std::uint8_t> sign(std::span<const std::uint8_t> content) const;
  std::vector<std::uint8_t> sign(std::span<const std::uint8_t> content, const Options& options) const;

  // The signer's certificate alone, in DER: valid DER that is not CMS.
  std::vector<std::uint8_t> certificate() const;

 private:
  struct Keys;
  std::unique_ptr<Keys> keys_;
};

}  // namespace maravel::testing
