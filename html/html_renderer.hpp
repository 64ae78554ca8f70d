// The whole preview page for one parsed document.
#pragma once

#include <cstddef>
#include <limits>
#include <string>

#include "model/udf_document.hpp"

namespace maravel {

class UDFHTMLRenderer {
 public:
  // A complete, self-contained HTML page (UTF-8): the sheet at the
  // document's page size with header, body and footer, the signature or
  // verification badge, the web-identifier note and the sheet footer. A
  // signature badge is green only for SignatureStatus::verified; a signature
  // that did not verify gets a red badge, one that could not be read an
  // amber one. The badge names the signer on one line, or each signer on a
  // line of its own (a signer whose own check failed marked) when there are
  // several; a signed document's verification code follows on a line of its
  // own. An unsigned document with a code gets the verification badge.
  // `fileName` is the page title. Never fails; every text from the document
  // is escaped. Pure and safe on any thread: each call builds its own writer
  // and font book.
  //
  // The header, body and footer together take about `pageBudget` bytes at
  // most (a paragraph is cut where it would pass it, the elements after it
  // are left out); the doors pass pageBudget(size of the file read).
  static std::string renderHTML(const UDFDocument& doc, const std::string& fileName = "UDF Belgesi",
                                std::size_t pageBudget = std::numeric_limits<std::size_t>::max());

  // The page a file of `inputBytes` bytes may take: kPageAllowance plus
  // kPageBytesPerInputByte for each of its bytes. Real documents take about
  // three bytes of page per byte of file; a few kilobytes of compressed tabs
  // or letters could otherwise ask for gigabytes of page.
  static std::size_t pageBudget(std::size_t inputBytes);

  // Why no trusted authority vouches for a signer whose signature is
  // intact, in the words of the amber badge ("düzenleyen sertifika
  // bulunamadı", "tanınmayan kök" ...); empty for a trusted signer.
  static std::string unconfirmedReason(const Signer& signer);
  static constexpr std::size_t kPageAllowance = std::size_t{16} << 20;
  static constexpr std::size_t kPageBytesPerInputByte = 64;

  // Shown in the verification badge and the access note; paper prints the
  // badge's words at the foot of every page.
  static constexpr const char* kVerificationTitle = "UYAP Bilişim Sistemi Evrak Doğrulama Kodu";
  static constexpr const char* kCodeLabel = "Kod:";
  static constexpr const char* kVerificationHost = "evraksorgu.adalet.gov.tr";
  static constexpr const char* kVerificationNote = " adresinden teyit edilebilir";
  // Beside a signature: the code lies outside what the signature covers.
  static constexpr const char* kCodeApart = "Bu kod elektronik imzanın kapsamında değildir";
  static constexpr const char* kCitizenPortal = "https://vatandas.uyap.gov.tr";
};

}  // namespace maravel
