#include "model/udf_document.hpp"

#include <algorithm>
#include <utility>

namespace maravel {

namespace {
constexpr double kA4Short = 595.28;
constexpr double kA4Long = 841.89;
constexpr double kA5Short = 419.53;
constexpr double kA5Long = 595.28;
}  // namespace

bool PageProperties::isLandscape() const { return orientation == 0; }
bool PageProperties::isA5() const { return mediaSize == 2; }

double PageProperties::pageWidth() const {
  if (isA5()) return isLandscape() ? kA5Long : kA5Short;
  return isLandscape() ? kA4Long : kA4Short;
}

double PageProperties::pageHeight() const {
  if (isA5()) return isLandscape() ? kA5Short : kA5Long;
  return isLandscape() ? kA4Short : kA4Long;
}

std::optional<TextAlignment> textAlignmentFromRaw(std::int64_t raw) {
  if (raw < 0 || raw > 3) return std::nullopt;
  return static_cast<TextAlignment>(raw);
}

TextAlignment PageNumberFormat::alignment() const {
  if (bits & kRight) return TextAlignment::right;
  if (bits & kCentred) return TextAlignment::center;
  return TextAlignment::left;
}

std::string PageNumberFormat::text(std::int64_t pageIndex, std::int64_t pageCount) const {
  // Wrapping arithmetic: a hostile first number must not overflow.
  const auto number = static_cast<std::int64_t>(static_cast<std::uint64_t>(firstNumber) +
                                                static_cast<std::uint64_t>(pageIndex));
  std::string out = prefix + std::to_string(number);
  if (showsTotal()) out += separator + std::to_string(pageCount);
  return out;
}

TabStopList::TabStopList(std::vector<TabStop> stops) {
  if (!stops.empty()) shared_ = std::make_shared<const std::vector<TabStop>>(std::move(stops));
}

const std::vector<TabStop>& TabStopList::stops() const {
  static const std::vector<TabStop> kNone;
  return shared_ ? *shared_ : kNone;
}

std::string ParagraphItem::fullText() const {
  std::string text;
  for (const TextRun& run : runs) {
    if (!run.image) text += run.text;
  }
  return text;
}

bool TableCell::operator==(const TableCell& other) const {
  return elements == other.elements && border == other.border;
}

bool isSignerTrusted(const Signer& signer) {
  return signer.status == SignatureStatus::verified && signer.chain == ChainTrust::trusted &&
         signer.revocation != Revocation::revoked && signer.revocation != Revocation::unavailable;
}

SignatureState signatureState(const SignatureInfo& signature) {
  if (signature.status == SignatureStatus::unreadable) return SignatureState::unreadable;
  if (signature.status != SignatureStatus::verified) return SignatureState::failed;
  const bool allTrusted = !signature.signers.empty() &&
                          std::all_of(signature.signers.begin(), signature.signers.end(), isSignerTrusted);
  return allTrusted ? SignatureState::trusted : SignatureState::identityUnconfirmed;
}

}  // namespace maravel
