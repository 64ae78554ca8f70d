#include "platform/crypto/digest_info.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

#include "platform/crypto/openssl_support.hpp"

namespace maravel::crypto {

namespace {

// The last byte of the algorithm's object identifier (2.16.840.1.101.3.4.2.n)
// and its digest length.
struct Shape {
  std::uint8_t oidLast;
  std::uint8_t digestLength;
};

Shape shapeOf(DigestAlgorithm algorithm) {
  switch (algorithm) {
    case DigestAlgorithm::sha384:
      return {0x02, 48};
    case DigestAlgorithm::sha512:
      return {0x03, 64};
    case DigestAlgorithm::sha256:
      break;
  }
  return {0x01, 32};
}

// DigestInfo ::= SEQUENCE { AlgorithmIdentifier, OCTET STRING digest }: the
// bytes before the digest, with NULL parameters or with none.
std::vector<std::uint8_t> prefix(Shape shape, bool nullParameters) {
  const std::uint8_t parameters = nullParameters ? 2 : 0;
  std::vector<std::uint8_t> out{0x30,         static_cast<std::uint8_t>(shape.digestLength + 15 + parameters),
                                0x30,         static_cast<std::uint8_t>(11 + parameters),
                                0x06,         0x09,
                                0x60,         0x86,
                                0x48,         0x01,
                                0x65,         0x03,
                                0x04,         0x02,
                                shape.oidLast};
  if (nullParameters) out.insert(out.end(), {0x05, 0x00});
  out.insert(out.end(), {0x04, shape.digestLength});
  return out;
}

bool isForm(std::span<const std::uint8_t> encoded, const std::vector<std::uint8_t>& head,
            std::span<const std::uint8_t> digest) {
  return encoded.size() == head.size() + digest.size() &&
         std::equal(head.begin(), head.end(), encoded.begin()) &&
         std::equal(digest.begin(), digest.end(), encoded.begin() + static_cast<std::ptrdiff_t>(head.size()));
}

}  // namespace

std::vector<std::uint8_t> digest(DigestAlgorithm algorithm, std::span<const std::uint8_t> data) {
  ErrorQueueMark mark;
  std::vector<std::uint8_t> out(EVP_MAX_MD_SIZE);
  unsigned int size = 0;
  if (EVP_Digest(data.data(), data.size(), out.data(), &size, messageDigest(algorithm), nullptr) != 1)
    return {};
  out.resize(size);
  return out;
}

bool isDigestInfo(DigestAlgorithm algorithm, std::span<const std::uint8_t> encoded,
                  std::span<const std::uint8_t> digest) {
  const Shape shape = shapeOf(algorithm);
  if (digest.size() != shape.digestLength) return false;
  return isForm(encoded, prefix(shape, true), digest) || isForm(encoded, prefix(shape, false), digest);
}

}  // namespace maravel::crypto
