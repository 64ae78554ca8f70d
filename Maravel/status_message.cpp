#include "Maravel/status_message.hpp"

namespace maravel {
namespace {

StatusMessage aboutFile(std::string_view prefix, std::string_view fileName, StatusColour colour) {
  return {std::string(prefix) + std::string(fileName), colour, StatusLine::document};
}

StatusMessage aboutExtensions(std::string_view text, StatusColour colour) {
  return {std::string(text), colour, StatusLine::extensions};
}

}  // namespace

std::string_view cssClass(StatusColour colour) {
  switch (colour) {
    case StatusColour::success:
      return "success";
    case StatusColour::error:
      return "error";
    case StatusColour::warning:
      return "warning";
    case StatusColour::secondary:
      break;
  }
  return "secondary";
}

StatusMessage StatusMessage::checking() {
  return aboutExtensions("● Önizleme eklentisi denetleniyor…", StatusColour::secondary);
}

StatusMessage StatusMessage::previewing(std::string_view fileName) {
  return aboutFile("✓ Önizleniyor: ", fileName, StatusColour::success);
}

StatusMessage StatusMessage::opening(std::string_view fileName) {
  return aboutFile("● Açılıyor: ", fileName, StatusColour::secondary);
}

StatusMessage StatusMessage::unreadable(std::string_view fileName) {
  return aboutFile("⚠️ Dosya okunamadı: ", fileName, StatusColour::error);
}

StatusMessage StatusMessage::notUDF(std::string_view fileName) {
  return {"⚠️ " + std::string(fileName) + " bir .udf dosyası değil", StatusColour::error,
          StatusLine::document};
}

StatusMessage StatusMessage::extensionsActive() {
  return aboutExtensions("● Önizleme Eklentisi Sistemde Aktif (küçük resimler hazır)", StatusColour::success);
}

StatusMessage StatusMessage::extensionsOff() {
  return aboutExtensions("⚠️ Eklenti kapalı: Maravel'i yeniden kurun, ardından tekrar açın",
                         StatusColour::warning);
}

StatusMessage StatusMessage::notInstalled() {
  return aboutExtensions("⚠️ Kurulum tamamlanmadı: uygulamayı /usr, /opt veya ~/.local altına kurun",
                         StatusColour::warning);
}

StatusMessage StatusMessage::cacheRefreshed() {
  return aboutExtensions("✓ Küçük resim önbelleği başarıyla yenilendi!", StatusColour::success);
}

StatusMessage StatusMessage::pdfSaved(std::string_view fileName) {
  return aboutFile("✓ PDF olarak kaydedildi: ", fileName, StatusColour::success);
}

StatusMessage StatusMessage::pdfNotSaved(std::string_view fileName) {
  return aboutFile("⚠️ PDF kaydedilemedi: ", fileName, StatusColour::error);
}

StatusMessage StatusMessage::docxSaved(std::string_view fileName) {
  return aboutFile("✓ Word belgesi olarak kaydedildi: ", fileName, StatusColour::success);
}

StatusMessage StatusMessage::docxNotSaved(std::string_view fileName) {
  return aboutFile("⚠️ Word belgesi kaydedilemedi: ", fileName, StatusColour::error);
}

StatusMessage StatusMessage::printFailed(std::string_view fileName) {
  return aboutFile("⚠️ Yazdırılamadı: ", fileName, StatusColour::error);
}

}  // namespace maravel
