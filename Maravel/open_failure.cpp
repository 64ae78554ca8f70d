#include "Maravel/open_failure.hpp"

#include <algorithm>

#include "reader/zip_extractor.hpp"

namespace maravel {
namespace {

constexpr std::string_view kLocalHeader = "PK\x03\x04";
constexpr std::string_view kEmptyArchive = "PK\x05\x06";
// The end record sits in the last 22 bytes plus a comment of at most 64 KiB.
constexpr std::size_t kEndSearch = 22 + 0xFFFF;

std::string_view asText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool hasEntry(const FastZipExtractor::ArchiveReader& archive, std::string_view name) {
  return FastZipExtractor::entryBeginning(archive, name, 1).has_value();
}

// Office Open XML files name their parts in "[Content_Types].xml";
// OpenDocument files start with "mimetype".
bool isOtherDocument(const FastZipExtractor::ArchiveReader& archive) {
  return hasEntry(archive, "[Content_Types].xml") || hasEntry(archive, "mimetype");
}

}  // namespace

OpenFailure OpenFailure::diagnose(bool exists, const std::optional<std::vector<std::uint8_t>>& bytes) {
  if (!exists) return {OpenFailureKind::missing};
  if (!bytes) return {OpenFailureKind::unreadable};
  const std::string_view text = asText(*bytes);
  if (!text.starts_with(kLocalHeader) && !text.starts_with(kEmptyArchive))
    return {OpenFailureKind::notArchive};
  const std::string_view tail = text.substr(text.size() - std::min(text.size(), kEndSearch));
  if (tail.find(kEmptyArchive) == std::string_view::npos) return {OpenFailureKind::damagedArchive};
  const auto archive = FastZipExtractor::ArchiveReader::of(*bytes);
  if (hasEntry(archive, "content.xml")) return {OpenFailureKind::unreadableContent};
  if (isOtherDocument(archive)) return {OpenFailureKind::otherDocument};
  // A directory naming content.xml whose data cannot be read is damage, not
  // another kind of archive.
  if (text.find("content.xml") != std::string_view::npos) return {OpenFailureKind::damagedArchive};
  return {OpenFailureKind::noContent};
}

std::string OpenFailure::heading() const {
  switch (kind) {
    case OpenFailureKind::missing:
      return "Dosya bulunamadı";
    case OpenFailureKind::unreadable:
      return "Dosya okunamadı";
    case OpenFailureKind::notArchive:
    case OpenFailureKind::otherDocument:
    case OpenFailureKind::noContent:
      return "Bu bir UDF belgesi değil";
    case OpenFailureKind::damagedArchive:
      return "Belge hasarlı";
    case OpenFailureKind::unreadableContent:
      break;
  }
  return "Belgenin içeriği okunamadı";
}

std::string OpenFailure::explanation(std::string_view fileName) const {
  const std::string name = "“" + std::string(fileName) + "”";
  switch (kind) {
    case OpenFailureKind::missing:
      return name + " yerinde yok: taşınmış, silinmiş ya da adı değişmiş olabilir.";
    case OpenFailureKind::unreadable:
      return name + " açılamadı: okuma izni yok, bir klasör ya da gösterilemeyecek kadar büyük.";
    case OpenFailureKind::notArchive:
      return name +
             " bir zip arşivi değil; UYAP belgeleri (.udf) zip arşividir. Dosyanın adı değiştirilmiş "
             "ya da indirilirken bozulmuş olabilir.";
    case OpenFailureKind::otherDocument:
      return name +
             " bir hesap tablosu ya da başka bir ofis belgesi; içinde UYAP belgesinin içeriği "
             "(content.xml) yok.";
    case OpenFailureKind::noContent:
      return name + " bir zip arşivi, ama içinde UYAP belgesinin içeriği (content.xml) yok.";
    case OpenFailureKind::damagedArchive:
      return name +
             " arşivi bozuk ya da eksik: içindeki belge okunamıyor. Dosyanın eksiksiz bir kopyasını "
             "isteyin.";
    case OpenFailureKind::unreadableContent:
      break;
  }
  return name + " içindeki content.xml bir UYAP belgesi olarak okunamıyor.";
}

}  // namespace maravel
