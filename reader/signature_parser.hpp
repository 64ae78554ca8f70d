// A display summary of the electronic signature carried in "sign.sgn".
//
// The entry is a CMS (PKCS#7) structure in DER holding the signer's
// certificate. Nothing is verified and the structure is not decoded as a
// whole: the summary comes from text searches over the bytes and from one
// linear scan for three DER attribute encodings (commonName, serialNumber,
// signingTime). Every test in the scan states the bytes it needs, so nothing
// is ever read outside the given data, whatever it holds.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/udf_document.hpp"

namespace maravel {

class UDFSignatureParser {
 public:
  // Never fails: isSigned is always true, issuer is always one of six fixed
  // display names, and signerName, tcNumber and signingDate are empty when
  // nothing usable was found. Linear in the size of the data. Pure and safe
  // on any thread.
  static SignatureInfo parseSignature(std::span<const std::uint8_t> data);

  // The display name of the certification authority that `text` names:
  // the first of five groups of names found in it (TÜBİTAK Kamu SM,
  // E-Tuğra, TÜRKTRUST, E-İmza TR, TN Elektronik), else the fallback
  // "Nitelikli Elektronik Sertifika (5070 s.K.)".
  static std::string issuerName(std::string_view text);

  // "YYMMDDhhmmss..." to "DD.MM.20YY hh:mm:ss"; anything after the twelfth
  // character is dropped and no time zone is applied. Input shorter than 12
  // bytes comes back unchanged. Characters are counted as bytes: the scan
  // only passes ASCII.
  static std::string formatUTCTime(std::string_view value);

  // "YYYYMMDDhhmmss..." to "DD.MM.YYYY hh:mm:ss"; input shorter than 14
  // bytes comes back unchanged.
  static std::string formatGenTime(std::string_view value);
};

}  // namespace maravel
