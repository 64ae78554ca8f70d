#include "platform/crypto/revocation_list.hpp"

#include <openssl/asn1t.h>

#include <algorithm>

namespace maravel::crypto {

namespace {

using Algorithm = std::unique_ptr<X509_ALGOR, Deleter<X509_ALGOR_free>>;
using BitString = std::unique_ptr<ASN1_BIT_STRING, Deleter<ASN1_BIT_STRING_free>>;
using Any = std::unique_ptr<ASN1_TYPE, Deleter<ASN1_TYPE_free>>;
using Name = std::unique_ptr<X509_NAME, Deleter<X509_NAME_free>>;

// One DER element: its whole encoding is [start, end), its content
// [content, end).
struct Element {
  int tag = 0;
  int tagClass = 0;
  bool constructed = false;
  const unsigned char* start = nullptr;
  const unsigned char* content = nullptr;
  const unsigned char* end = nullptr;

  bool is(int universalTag) const { return tagClass == V_ASN1_UNIVERSAL && tag == universalTag; }
  bool isTime() const { return is(V_ASN1_UTCTIME) || is(V_ASN1_GENERALIZEDTIME); }
  long size() const { return static_cast<long>(end - start); }
  bool sameBytes(std::span<const unsigned char> other) const {
    return std::equal(start, end, other.begin(), other.end());
  }
};

// The element at `cursor`, which must end by `limit`; the cursor moves past
// it. Nothing for a broken header, a length past the limit or an
// indefinite length (which DER has not).
std::optional<Element> next(const unsigned char*& cursor, const unsigned char* limit) {
  if (cursor >= limit) return std::nullopt;
  Element element;
  element.start = cursor;
  const unsigned char* content = cursor;
  long length = 0;
  const int flags = ASN1_get_object(&content, &length, &element.tag, &element.tagClass, limit - cursor);
  if ((flags & 0x80) || (flags & 0x01)) return std::nullopt;
  element.constructed = (flags & V_ASN1_CONSTRUCTED) != 0;
  element.content = content;
  element.end = content + length;
  cursor = element.end;
  return element;
}

RevocationList::Time timeOf(const Element& element) {
  const unsigned char* cursor = element.start;
  return RevocationList::Time(d2i_ASN1_TIME(nullptr, &cursor, element.size()));
}

// Whether `signature` by `issuer`'s key with `algorithm` covers the bytes
// of `signedPart` exactly as they are (ASN1_ANY writes a SEQUENCE back
// verbatim, so nothing is decoded or re-encoded).
bool signatureVerifies(const Element& signedPart, const Element& algorithm, const Element& signature,
                       X509* issuer) {
  const unsigned char* cursor = algorithm.start;
  const Algorithm algor(d2i_X509_ALGOR(nullptr, &cursor, algorithm.size()));
  cursor = signature.start;
  const BitString bits(d2i_ASN1_BIT_STRING(nullptr, &cursor, signature.size()));
  Any part(ASN1_TYPE_new());
  ASN1_STRING* bytes = ASN1_STRING_type_new(V_ASN1_SEQUENCE);
  if (!algor || !bits || !part || !bytes ||
      ASN1_STRING_set(bytes, signedPart.start, static_cast<int>(signedPart.size())) != 1) {
    ASN1_STRING_free(bytes);
    return false;
  }
  ASN1_TYPE_set(part.get(), V_ASN1_SEQUENCE, bytes);
  EVP_PKEY* key = X509_get0_pubkey(issuer);
  return key && ASN1_item_verify(ASN1_ITEM_rptr(ASN1_ANY), algor.get(), bits.get(), part.get(), key) == 1;
}

}  // namespace

std::optional<RevocationList> RevocationList::read(std::span<const std::uint8_t> der, X509* issuer,
                                                   X509* certificate) {
  if (der.empty() || der.size() > static_cast<std::size_t>(INT32_MAX)) return std::nullopt;
  const unsigned char* cursor = der.data();
  const unsigned char* const end = der.data() + der.size();
  // CertificateList ::= SEQUENCE { tbsCertList, signatureAlgorithm, signatureValue }
  const auto list = next(cursor, end);
  if (!list || !list->is(V_ASN1_SEQUENCE) || !list->constructed || list->end != end) return std::nullopt;
  cursor = list->content;
  const auto signedPart = next(cursor, end);
  const auto algorithm = next(cursor, end);
  const auto signature = next(cursor, end);
  if (!signedPart || !signedPart->is(V_ASN1_SEQUENCE) || !signedPart->constructed || !algorithm ||
      !algorithm->is(V_ASN1_SEQUENCE) || !signature || !signature->is(V_ASN1_BIT_STRING) || cursor != end ||
      !signatureVerifies(*signedPart, *algorithm, *signature, issuer))
    return std::nullopt;

  // TBSCertList ::= SEQUENCE { version INTEGER OPTIONAL, signature, issuer,
  //   thisUpdate, nextUpdate OPTIONAL, revokedCertificates OPTIONAL,
  //   [0] crlExtensions OPTIONAL }
  const unsigned char* const fieldsEnd = signedPart->end;
  cursor = signedPart->content;
  auto field = next(cursor, fieldsEnd);
  if (field && field->is(V_ASN1_INTEGER)) field = next(cursor, fieldsEnd);
  if (!field || !field->sameBytes({algorithm->start, algorithm->end})) return std::nullopt;
  field = next(cursor, fieldsEnd);
  if (!field || !field->is(V_ASN1_SEQUENCE)) return std::nullopt;
  const unsigned char* nameCursor = field->start;
  const Name name(d2i_X509_NAME(nullptr, &nameCursor, field->size()));
  if (!name || X509_NAME_cmp(name.get(), X509_get_subject_name(issuer)) != 0) return std::nullopt;
  RevocationList out;
  field = next(cursor, fieldsEnd);
  if (!field || !field->isTime() || !(out.thisUpdate = timeOf(*field))) return std::nullopt;
  field = next(cursor, fieldsEnd);
  if (field && field->isTime()) {
    if (!(out.nextUpdate = timeOf(*field))) return std::nullopt;
    field = next(cursor, fieldsEnd);
  }
  if (!field || !field->is(V_ASN1_SEQUENCE)) return out;  // no entries

  // Each entry: SEQUENCE { userCertificate INTEGER, revocationDate Time, extensions OPTIONAL }
  unsigned char* serial = nullptr;
  const int serialSize = i2d_ASN1_INTEGER(X509_get0_serialNumber(certificate), &serial);
  if (serialSize <= 0) return std::nullopt;
  const std::span<const unsigned char> wanted(serial, static_cast<std::size_t>(serialSize));
  bool broken = false;
  for (const unsigned char* entries = field->content; entries < field->end;) {
    const auto entry = next(entries, field->end);
    if (!entry || !entry->is(V_ASN1_SEQUENCE)) {
      broken = true;
      break;
    }
    const unsigned char* inside = entry->content;
    const auto number = next(inside, entry->end);
    const auto date = next(inside, entry->end);
    if (!number || !number->is(V_ASN1_INTEGER) || !date || !date->isTime()) {
      broken = true;
      break;
    }
    if (number->sameBytes(wanted)) {
      out.revokedAt = timeOf(*date);
      broken = !out.revokedAt;
      break;
    }
  }
  OPENSSL_free(serial);
  if (broken) return std::nullopt;
  return out;
}

}  // namespace maravel::crypto
