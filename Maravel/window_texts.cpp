#include "Maravel/window_texts.hpp"

#include "html/html_renderer.hpp"

namespace maravel {
namespace {

constexpr std::string_view kWelcomePage =
    "<html><body style=\"font-family: -apple-system; display: flex; flex-direction: column; align-items: "
    "center; justify-content: center; height: 80vh; color: #777;\">\n"
    "    <div style=\"font-size: 54px; margin-bottom: 12px;\">⚖️</div>\n"
    "    <h2 style=\"color: #333; margin-bottom: 8px;\">UDF Önizleme Motoru Hazır</h2>\n"
    "    <p style=\"font-size: 14px; max-width: 480px; text-align: center; line-height: 1.5;\">\n"
    "        Dosya yöneticisinde dilediğiniz <strong>.udf</strong> dosyasını seçip <strong>Maravel ile "
    "Aç</strong> diyerek anında okuyabilirsiniz. Yukarıdaki alana sürükleyerek de test edebilirsiniz.\n"
    "    </p>\n"
    "</body></html>";

}  // namespace

std::string WindowTexts::windowTitle(std::string_view fileName) {
  if (fileName.empty()) return "Maravel (Önizleme)";
  return std::string(fileName) + " — Maravel";
}

const char* WindowTexts::titleLabel() { return "⚖️ Maravel (Önizleme)"; }

const char* WindowTexts::refreshButton() { return "🔄 Küçük Resimleri Yenile"; }

const char* WindowTexts::dropHint() {
  return "💡 Dosya yöneticisinde herhangi bir .udf dosyası seçip “Maravel ile Aç” deyin veya test etmek için "
         "buraya sürükleyin";
}

std::string_view WindowTexts::welcomePage() { return kWelcomePage; }

const char* WindowTexts::welcomeHeading() { return "UDF Önizleme Motoru Hazır"; }

const char* WindowTexts::welcomeText() {
  return "Dosya yöneticisinde dilediğiniz .udf dosyasını seçip “Maravel ile Aç” diyerek anında "
         "okuyabilirsiniz. "
         "Yukarıdaki alana sürükleyerek ya da Aç… ile de açabilirsiniz.";
}

AlertText WindowTexts::notInstalledAlert() {
  return {"Önce /usr, /opt veya ~/.local altına kurun",
          "Maravel'in dosya yöneticisinde çalışabilmesi için /usr, /opt veya ~/.local altında bulunması "
          "gerekir.\n\n"
          "Bu pencereyi kapatın, indirdiğiniz Maravel paketini “sudo apt install ./maravel_….deb” komutuyla "
          "kurun, ardından uygulamayı uygulama menüsünden açın.",
          "Kapat"};
}

SignatureBadge WindowTexts::signatureBadge(const SignatureInfo& signature) {
  if (!signature.isSigned) return {};
  std::string who = signature.signers.size() > 1 ? std::to_string(signature.signers.size()) + " imza"
                                                 : signature.signerName;
  if (signature.signers.size() <= 1 && !signature.signingDate.empty()) who += " · " + signature.signingDate;
  switch (signature.status) {
    case SignatureStatus::contentChanged:
      return {"İmza geçersiz: belge imzalandıktan sonra değiştirilmiş · " + who, StatusColour::error};
    case SignatureStatus::signatureInvalid:
      return {"İmza geçersiz: imza değeri doğrulanamadı · " + who, StatusColour::error};
    case SignatureStatus::unreadable:
      return {"İmza doğrulanamadı: imza dosyası okunamadı", StatusColour::warning};
    case SignatureStatus::verified:
      break;
  }
  // Intact, but only an anchor's word makes the signer who the
  // certificate says: without it the badge is amber and says why.
  if (signatureState(signature) != SignatureState::trusted) {
    for (const Signer& signer : signature.signers) {
      if (signer.status == SignatureStatus::verified && !isSignerTrusted(signer)) {
        return {"İmzacının sertifikası doğrulanamadı: " + UDFHTMLRenderer::unconfirmedReason(signer) + " · " +
                    who,
                StatusColour::warning};
      }
    }
  }
  return {"Güvenli elektronik imza ile imzalanmıştır · " + who, StatusColour::success};
}

std::string WindowTexts::spoken(std::string_view text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const std::string_view character = text.substr(at, length);
    at += character.size();
    char32_t point = character.size() == 1 ? lead : lead & (0x3F >> (character.size() - 1));
    for (std::size_t i = 1; i < character.size(); ++i)
      point = (point << 6) | (static_cast<unsigned char>(character[i]) & 0x3F);
    // Arrows, technical and geometric shapes, symbols and dingbats; variation
    // selectors and joiners; the emoji planes.
    const bool pictograph = (point >= 0x2190 && point <= 0x2BFF) || (point >= 0xFE00 && point <= 0xFE0F) ||
                            point == 0x200D || (point >= 0x1F000 && point <= 0x1FAFF);
    if (pictograph) continue;
    if (character == " " && (out.empty() || out.back() == ' ')) continue;
    out += character;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string WindowTexts::pageOf(std::size_t page, std::size_t count, bool complete) {
  if (count == 0) return {};
  return "Sayfa " + std::to_string(page) + " / " + std::to_string(count) + (complete ? "" : "+");
}

std::string WindowTexts::matchCount(std::size_t current, std::size_t count) {
  if (count == 0) return "Bulunamadı";
  return std::to_string(current) + " / " + std::to_string(count);
}

}  // namespace maravel
