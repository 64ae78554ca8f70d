#include "Maravel/status_message.hpp"

namespace maravel {

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
  return "dim-label";
}

StatusMessage StatusMessage::checking() {
  return {"● Quick Look eklentisi denetleniyor…", StatusColour::secondary};
}

StatusMessage StatusMessage::previewing(std::string_view fileName) {
  return {"✓ Önizleniyor: " + std::string(fileName), StatusColour::success};
}

StatusMessage StatusMessage::unreadable(std::string_view fileName) {
  return {"⚠️ Dosya okunamadı: " + std::string(fileName), StatusColour::error};
}

StatusMessage StatusMessage::extensionsActive() {
  return {"● Quick Look Eklentisi Sistemde Aktif (Space tuşu hazır)", StatusColour::success};
}

StatusMessage StatusMessage::extensionsOff() {
  return {
      "⚠️ Eklenti kapalı: Sistem Ayarları'nda “Uzantılar › Hızlı Bakış” bölümünden "
      "açın",
      StatusColour::warning};
}

StatusMessage StatusMessage::notInstalled() {
  return {"⚠️ Kurulum tamamlanmadı: uygulamayı Uygulamalar klasörüne taşıyın",
          StatusColour::warning};
}

StatusMessage StatusMessage::cacheRefreshed() {
  return {"✓ Quick Look önbelleği başarıyla yenilendi!", StatusColour::success};
}

StatusMessage StatusMessage::pdfSaved(std::string_view fileName) {
  return {"✓ PDF olarak kaydedildi: " + std::string(fileName), StatusColour::success};
}

StatusMessage StatusMessage::pdfNotSaved(std::string_view fileName) {
  return {"⚠️ PDF kaydedilemedi: " + std::string(fileName), StatusColour::error};
}

StatusMessage StatusMessage::printFailed(std::string_view fileName) {
  return {"⚠️ Yazdırılamadı: " + std::string(fileName), StatusColour::error};
}

}  // namespace maravel
