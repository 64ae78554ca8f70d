// A throwaway certification hierarchy and signers, made in memory with
// libcrypto, that write detached CMS signatures shaped like the editor's:
// DER SignedData without eContent, the signers' certificates (and by choice
// the issuing authority's and the root's) carried inside, and signed
// attributes contentType, signingTime, signingCertificateV2 and
// messageDigest. The hierarchy is shaped like the Turkish providers': a
// root ("Maravel Deneme Kök Sertifika Hizmet Sağlayıcısı", or any name
// asked for), an issuing authority named like Kamu SM's, and qualified
// signers (certificate policies, ETSI QcCompliance) whose certificates name
// the issuing certificate's address, an OCSP responder and a CRL.
//
// The keys are fresh each time a TestSigner is made and live only in
// memory; nothing is ever written to disk. The names imitate TÜBİTAK Kamu
// SM certificates for invented people: CAHİT YILMAZ (RSA, SHA-256, signing
// time 04.12.2026 14:30:15 UTC, identity number 31415926530), then as
// co-signers AYŞE DEMİR (RSA, 14:45:00, serialNumber "TC27182818284") and
// MEHMET ÖZTÜRK (ECDSA P-256, SHA-256, 15:00:00 as a GeneralizedTime,
// serialNumber "TR16180339887").
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace maravel::testing {

class TestSigner {
 public:
  // CAHİT YILMAZ's signing time; his certificate is valid from 01.11.2026
  // to 01.11.2029.
  static constexpr const char* kSigningTime = "261204143015Z";

  // How AYŞE DEMİR's RSA signature writes the DigestInfo around her digest.
  enum class DigestInfoForm {
    nullParameters,    // as libcrypto writes it
    absentParameters,  // the algorithm identifier without its NULL
    trailingByte,      // absent parameters, then one byte more
    otherAlgorithm,    // absent parameters, the next SHA-2 identifier
    wrongLength,       // absent parameters, the outer length one too many
    bareDigest,        // the digest alone
  };

  // Changes made to a genuine signature without any key, each bringing
  // "HAKİM SAHTE İSİM", "22222222220" and 01.01.2099.
  enum class Forgery {
    none,
    certificateFirst,  // a certificate in that name with CAHİT's issuer, serial number and key, carried first
    unsignedAttributes,  // that certificate and the date as CAHİT's unsigned attributes
    appendedBytes,       // that certificate and a signingTime attribute after the structure
  };

  // Which certificates beside the signers' travel in the signature.
  enum class Carried { wholeChain, withIssuing, signers };

  struct Options {
    bool signedAttributes = true;
    // Carries, instead of CAHİT's certificate, another one with the same
    // issuer and serial number but another name and key.
    bool swappedCertificate = false;
    // CAHİT's certificate ended before the signing time.
    bool expiredCertificate = false;
    // Further certificates carried beside the two (distinct, same key).
    int extraCertificates = 0;
    // 1 adds AYŞE DEMİR, 2 also MEHMET ÖZTÜRK.
    int coSigners = 0;
    int secondDigestBits = 384;  // her SHA-2 digest
    DigestInfoForm secondDigestInfo = DigestInfoForm::nullParameters;
    bool secondSignatureDamaged = false;  // a bit of her signature value flipped
    Forgery forgery = Forgery::none;
    // CAHİT's certificate without QcCompliance.
    bool notQualified = false;
    // CAHİT's certificate in this name instead (when not empty).
    std::string commonName = {};
    Carried carried = Carried::wholeChain;
  };

  // Where the signers' certificates say their issuer and revocation can be
  // asked: the issuing certificate at BASE/issuing.der, the CRL at
  // BASE/issuing.crl, OCSP at `ocspUrl` (none when empty); `rootSubject`, a
  // certificate in PEM whose subject the throwaway root takes (a real
  // root's, for a forgery).
  struct Hierarchy {
    std::string baseUrl;
    std::string ocspUrl;
    std::string rootSubject;
  };

  TestSigner();
  explicit TestSigner(const Hierarchy& hierarchy);
  ~TestSigner();
  TestSigner(const TestSigner&) = delete;
  TestSigner& operator=(const TestSigner&) = delete;

  // The sign.sgn bytes for `content` (the content.xml member bytes).
  std::vector<std::uint8_t> sign(std::span<const std::uint8_t> content) const;
  std::vector<std::uint8_t> sign(std::span<const std::uint8_t> content, const Options& options) const;

  // CAHİT's certificate alone, in DER: valid DER that is not CMS.
  std::vector<std::uint8_t> certificate() const;

  // The root's and the issuing authority's certificates, and the issuing
  // authority's key (for a test's OCSP responder), in PEM; CAHİT's
  // certificate serial number is kSignerSerialHex.
  std::string rootPem() const;
  std::string authorityPem() const;
  std::vector<std::uint8_t> authorityDer() const;
  std::string authorityKeyPem() const;
  static constexpr const char* kSignerSerialHex = "4B414D55534D0001";

 private:
  struct Keys;
  std::unique_ptr<Keys> keys_;
};

}  // namespace maravel::testing
