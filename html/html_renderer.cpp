// The page around the document's content: skeleton, stylesheet, badges and
// the sheet footer. Indentation and joins are part of the page's fixed form.

#include "html/html_renderer.hpp"

#include <algorithm>

#include "html/document_writer.hpp"
#include "html/font_book.hpp"
#include "html/html_escape.hpp"

namespace maravel {

namespace {

// The stylesheet up to the point where the generated classes go. W, H and P
// stand for the page width, page height and sheet padding.
constexpr const char* kStyleHead = R"(        :root {
            --bg-page: #f1f3f5;
            --paper-bg: #ffffff;
            --text-color: #111111;
            --border-color: #e2e8f0;
            --rule: #000000;
            --shadow: 0 10px 30px rgba(0, 0, 0, 0.08), 0 1px 3px rgba(0, 0, 0, 0.05);
            /* 1 pt'nin ekrandaki karşılığı: sayfa pencereye sığacak şekilde ölçeklenir, satır kırılımları değişmez */
            --u: min(1.6px, calc((100vw - 48px) / @W@));
        }
        @media (prefers-color-scheme: dark) {
            :root {
                --bg-page: #1a1b1e;
                --paper-bg: #222429;
                --text-color: #eceff1;
                --border-color: #373a40;
                --rule: #c4c8ce;
                --shadow: 0 12px 36px rgba(0, 0, 0, 0.35);
            }
        }
        * {
            box-sizing: border-box;
            margin: 0;
            padding: 0;
        }
        body {
            background-color: var(--bg-page);
            font-family: "Times New Roman", Times, "Nimbus Roman No9 L", serif;
            color: var(--text-color);
            padding: 24px 16px;
            display: flex;
            flex-direction: column;
            align-items: center;
            min-height: 100vh;
            -webkit-font-smoothing: antialiased;
            user-select: text;
            -webkit-user-select: text;
        }
        /* E-İmza Rozeti */
        .verification-badge {
            width: calc(@W@ * var(--u));
            margin-bottom: 20px;
            padding: 12px 18px;
            border-radius: 12px;
            display: flex;
            align-items: center;
            gap: 14px;
            font-family: -apple-system, BlinkMacSystemFont, "Segoe UI", Roboto, Helvetica, Arial, sans-serif;
            box-shadow: 0 2px 8px rgba(0,0,0,0.06);
            backdrop-filter: blur(8px);
        }
        .verification-badge.signed {
            background: linear-gradient(135deg, rgba(16, 185, 129, 0.12), rgba(5, 150, 105, 0.06));
            border: 1px solid rgba(16, 185, 129, 0.35);
            color: #065f46;
        }
        @media (prefers-color-scheme: dark) {
            .verification-badge.signed {
                background: linear-gradient(135deg, rgba(16, 185, 129, 0.2), rgba(5, 150, 105, 0.1));
                border-color: rgba(16, 185, 129, 0.4);
                color: #6ee7b7;
            }
        }
        .verification-badge.uyap {
            background: linear-gradient(135deg, rgba(59, 130, 246, 0.1), rgba(37, 99, 235, 0.05));
            border: 1px solid rgba(59, 130, 246, 0.3);
            color: #1e40af;
        }
        @media (prefers-color-scheme: dark) {
            .verification-badge.uyap {
                color: #93c5fd;
            }
        }
@BADGE@        .badge-icon svg {
            flex-shrink: 0;
        }
        .badge-title {
            font-size: 13.5px;
            font-weight: 700;
            margin-bottom: 3px;
            letter-spacing: -0.2px;
        }
        .badge-meta {
            font-size: 11.5px;
            display: flex;
            flex-wrap: wrap;
            gap: 10px;
            opacity: 0.95;
        }
        .badge-tag strong {
            font-weight: 600;
        }
        /* Belge Kağıdı: UYAP sayfa ölçüsü ve kenar boşlukları (pt) */
        .document-sheet {
            background-color: var(--paper-bg);
            width: calc(@W@ * var(--u));
            min-height: calc(@H@ * var(--u));
            padding: @P@;
            box-shadow: var(--shadow);
            border-radius: 4px;
            font-kerning: none;
            font-variant-ligatures: none;
        }
        /* Paragraflar: boşluklar korunur, sekmeler hesaplanmış genişlikte kutulardır */
        .udf-p {
            position: relative;
            white-space: pre-wrap;
            overflow-wrap: break-word;
        }
        .udf-tab {
            display: inline-block;
            height: 0;
            overflow: hidden;
            font-size: 0;
            white-space: pre;
        }
        .udf-nj {
            display: inline-block;
            white-space: pre;
            text-indent: 0;
            text-align: left;
        }
        .udf-mk {
            position: absolute;
            white-space: pre;
            text-indent: 0;
        }
        .udf-img {
            vertical-align: baseline;
            max-width: 100%;
            object-fit: contain;
        }
        /* Tablolar: her satır kendi sütun oranlarıyla çizilir */
        table.udf-row {
            width: 100%;
            table-layout: fixed;
            border-collapse: collapse;
        }
        table.udf-row td {
            vertical-align: top;
            padding: 0 calc(1.5 * var(--u));
        }
        .udf-footer {
            margin-top: calc(18 * var(--u));
        }
)";

// The rules of a badge for a signature that did not verify, written only on
// a page that shows it, so that every other page keeps its stylesheet.
constexpr const char* kFailedBadgeRules = R"(        .verification-badge.changed,
        .verification-badge.invalid {
            background: linear-gradient(135deg, rgba(239, 68, 68, 0.12), rgba(220, 38, 38, 0.06));
            border: 1px solid rgba(239, 68, 68, 0.4);
            color: #991b1b;
        }
        @media (prefers-color-scheme: dark) {
            .verification-badge.changed,
            .verification-badge.invalid {
                background: linear-gradient(135deg, rgba(239, 68, 68, 0.2), rgba(220, 38, 38, 0.1));
                border-color: rgba(239, 68, 68, 0.45);
                color: #fca5a5;
            }
        }
)";

constexpr const char* kUnreadableBadgeRules = R"(        .verification-badge.unreadable {
            background: linear-gradient(135deg, rgba(245, 158, 11, 0.14), rgba(217, 119, 6, 0.06));
            border: 1px solid rgba(245, 158, 11, 0.45);
            color: #92400e;
        }
        @media (prefers-color-scheme: dark) {
            .verification-badge.unreadable {
                background: linear-gradient(135deg, rgba(245, 158, 11, 0.2), rgba(217, 119, 6, 0.1));
                border-color: rgba(245, 158, 11, 0.45);
                color: #fcd34d;
            }
        }
)";

// The badge of an intact document whose signers' identity is not
// established: amber, like an unreadable signature.
constexpr const char* kUnconfirmedBadgeRules = R"(        .verification-badge.unconfirmed {
            background: linear-gradient(135deg, rgba(245, 158, 11, 0.14), rgba(217, 119, 6, 0.06));
            border: 1px solid rgba(245, 158, 11, 0.45);
            color: #92400e;
        }
        @media (prefers-color-scheme: dark) {
            .verification-badge.unconfirmed {
                background: linear-gradient(135deg, rgba(245, 158, 11, 0.2), rgba(217, 119, 6, 0.1));
                border-color: rgba(245, 158, 11, 0.45);
                color: #fcd34d;
            }
        }
)";

// Space between the details lines of a badge that has several, written only
// on a page that shows one.
constexpr const char* kStackedLinesRules = R"(        .badge-meta + .badge-meta {
            margin-top: 4px;
        }
)";

constexpr const char* kStyleTail = R"(        /* Footer Notu */
        .uyap-access {
            margin-top: 32px;
            font-family: -apple-system, BlinkMacSystemFont, "Segoe UI", Roboto, sans-serif;
            font-size: 11px;
            color: #888;
            text-align: center;
        }
        .sheet-footer {
            margin-top: 14px;
            padding-top: 14px;
            border-top: 1px dashed var(--border-color);
            font-family: -apple-system, BlinkMacSystemFont, "Segoe UI", Roboto, sans-serif;
            font-size: 11px;
            color: #888;
            display: flex;
            justify-content: space-between;
            align-items: center;
        }
)";

constexpr const char* kSheetFooter = R"(<div class="sheet-footer">
            <span>UYAP Doküman Editörü Formatı (.udf)</span>
            <span>Maravel</span>
        </div>)";

constexpr const char* kSvgOpen =
    R"(<svg width="22" height="22" viewBox="0 0 24 24" fill="none" stroke="currentColor" stroke-width="2">)";

// Replaces every "@NAME@" placeholder of the fixed stylesheet text.
std::string fillPlaceholder(std::string text, const std::string& placeholder, const std::string& value) {
  for (std::size_t at = text.find(placeholder); at != std::string::npos;
       at = text.find(placeholder, at + value.size())) {
    text.replace(at, placeholder.size(), value);
  }
  return text;
}

std::string tag(const std::string& className, const std::string& label, const std::string& value) {
  if (value.empty()) return {};
  return "<span class=\"badge-tag " + className + "\">" + label + escapeHTML(value) + "</span>";
}

constexpr const char* kTagSeparator = "\n            ";

// One details line of a badge.
std::string metaLine(const std::string& tags) {
  return "        <div class=\"badge-meta\">\n            " + tags + "\n        </div>\n";
}

// A badge with its icon, title and details lines; the signature badges and
// the UYAP badge share it.
std::string badge(const std::string& kind, const std::string& iconShapes, const std::string& title,
                  const std::string& metaLines) {
  return "<div class=\"verification-badge " + kind +
         "\">\n"
         "    <div class=\"badge-icon\">\n"
         "        " +
         kSvgOpen + iconShapes +
         "</svg>\n"
         "    </div>\n"
         "    <div class=\"badge-info\">\n"
         "        <div class=\"badge-title\">" +
         title + "</div>\n" + metaLines +
         "    </div>\n"
         "</div>";
}

constexpr const char* kShield = R"(<path d="M12 22s8-4 8-10V5l-8-3-8 3v7c0 6 8 10 8 10z"/>)";
constexpr const char* kCross = R"(<path d="M9.5 9.5l5 5"/><path d="M14.5 9.5l-5 5"/>)";
constexpr const char* kInvalid = "İmza Geçersiz: ";

// How a signature badge looks for each status: its class, the mark inside
// the shield, its title, what a signer's line says when its own check gave
// this status, and the stylesheet rules it needs beyond the fixed ones.
struct SignatureBadgeLook {
  const char* kind;
  const char* mark;
  std::string title;
  const char* reason;
  const char* rules;
};

SignatureBadgeLook lookOf(SignatureStatus status) {
  constexpr const char* kChanged = "Belge İmzalandıktan Sonra Değiştirilmiş";
  constexpr const char* kValueFails = "İmza Değeri Doğrulanamadı";
  switch (status) {
    case SignatureStatus::contentChanged:
      return {"changed", kCross, std::string(kInvalid) + kChanged, kChanged, kFailedBadgeRules};
    case SignatureStatus::signatureInvalid:
      return {"invalid", kCross, std::string(kInvalid) + kValueFails, kValueFails, kFailedBadgeRules};
    case SignatureStatus::unreadable:
      return {"unreadable", R"(<path d="M12 7.5v5"/><path d="M12 15v2"/>)",
              "İmza Doğrulanamadı: İmza Dosyası Okunamadı", "İmza Dosyası Okunamadı", kUnreadableBadgeRules};
    case SignatureStatus::verified:
      break;
  }
  return {"signed", R"(<path d="M9 12l2 2 4-4"/>)",
          "5070 Sayılı Kanun Uyarınca Güvenli Elektronik İmza ile İmzalanmıştır", "", ""};
}

// Why no trusted authority vouches for an intact signer, in the words of
// the amber badge; empty for a trusted signer.
std::string reasonUnconfirmed(const Signer& signer) {
  switch (signer.chain) {
    case ChainTrust::issuerMissing:
      return "düzenleyen sertifika bulunamadı";
    case ChainTrust::untrustedRoot:
      return "tanınmayan kök";
    case ChainTrust::notQualified:
      return "nitelikli sertifika değil";
    case ChainTrust::expiredAtSigning:
      return "imza tarihinde geçerli değil";
    case ChainTrust::chainInvalid:
      return "sertifika zinciri geçersiz";
    case ChainTrust::trusted:
      break;
  }
  if (signer.revocation == Revocation::revoked) return "iptal edilmiş: " + signer.revokedAt;
  if (signer.revocation == Revocation::unavailable) return "iptal durumu öğrenilemedi";
  return {};
}

// Whether an online check could still complete what is missing: a
// missing issuer or an unanswered revocation question.
bool onlineCouldHelp(const SignatureInfo& signature) {
  return std::any_of(signature.signers.begin(), signature.signers.end(), [](const Signer& signer) {
    return signer.chain == ChainTrust::issuerMissing || signer.revocation == Revocation::unavailable;
  });
}

SignatureBadgeLook unconfirmedLook(const SignatureInfo& signature) {
  std::string reason;
  for (const Signer& signer : signature.signers) {
    if (!isSignerTrusted(signer)) {
      reason = reasonUnconfirmed(signer);
      break;
    }
  }
  return {"unconfirmed", R"(<path d="M12 7.5v5"/><path d="M12 15v2"/>)",
          "İmzacının Sertifikası Doğrulanamadı: " + escapeHTML(reason), "", kUnconfirmedBadgeRules};
}

SignatureBadgeLook lookOf(const SignatureInfo& signature) {
  return signatureState(signature) == SignatureState::identityUnconfirmed ? unconfirmedLook(signature)
                                                                          : lookOf(signature.status);
}

// What an online check, now or earlier, learned of a signer's revocation;
// nothing when nobody asked.
std::string revocationTag(const Signer& signer) {
  switch (signer.revocation) {
    case Revocation::good:
      return tag("revocation", "", "iptal durumu: geçerli");
    case Revocation::revoked:
      return tag("revocation", "", "iptal edilmiş: " + signer.revokedAt);
    case Revocation::unavailable:
      return tag("revocation", "", "iptal durumu: denetlenemedi");
    case Revocation::notChecked:
      break;
  }
  return {};
}

// The four slots of the displayed signer, separated even when empty.
std::string signerSlots(const SignatureInfo& signature) {
  std::string slots = tag("signer", "<strong>İmzalayan:</strong> ", signature.signerName) + kTagSeparator +
                      tag("tc", "<strong>T.C.:</strong> ", signature.tcNumber) + kTagSeparator +
                      tag("date", "<strong>Tarih:</strong> ", signature.signingDate) + kTagSeparator +
                      tag("issuer", "", signature.issuer);
  if (signature.signers.size() == 1) {
    if (const std::string revocation = revocationTag(signature.signers[0]); !revocation.empty())
      slots += kTagSeparator + revocation;
  }
  return slots;
}

// One signer among several: its tags that hold something, after a mark
// when its own check failed or its identity is not established.
std::string signerTags(const Signer& signer) {
  const std::string reason = signer.status == SignatureStatus::verified ? reasonUnconfirmed(signer) : "";
  const std::string tags[] = {
      signer.status == SignatureStatus::verified
          ? tag("unconfirmed", "<strong>Doğrulanamadı:</strong> ", reason)
          : tag("failed", "<strong>İmza Geçersiz:</strong> ", lookOf(signer.status).reason),
      tag("signer", "<strong>İmzalayan:</strong> ", signer.name),
      tag("tc", "<strong>T.C.:</strong> ", signer.tcNumber),
      tag("date", "<strong>Tarih:</strong> ", signer.signingDate),
      tag("issuer", "", signer.issuer),
      revocationTag(signer)};
  std::string out;
  for (const std::string& t : tags) {
    if (t.empty()) continue;
    if (!out.empty()) out += kTagSeparator;
    out += t;
  }
  return out;
}

std::string codeTags(const std::string& code) {
  return tag("code", std::string("<strong>") + UDFHTMLRenderer::kCodeLabel + "</strong> ", code) +
         kTagSeparator + "<span class=\"badge-tag info\">" + UDFHTMLRenderer::kVerificationHost +
         UDFHTMLRenderer::kVerificationNote + "</span>";
}

// The amber badge's note: the names are the certificate's own words, and
// where an online check could complete the judgement.
std::string unconfirmedNote(const SignatureInfo& signature) {
  std::string note =
      "<span class=\"badge-tag info\">Belge imzalandığından beri değişmemiştir; ancak adlar yalnızca "
      "sertifikanın kendi beyanıdır: güvenilen bir elektronik sertifika hizmet sağlayıcısının bu kişiye "
      "nitelikli sertifika verdiği doğrulanamadı.";
  if (onlineCouldHelp(signature))
    note += " Çevrimiçi denetim (İmzaları Çevrimiçi Denetle, udfverify --online) doğrulamayı tamamlayabilir.";
  return metaLine(note + "</span>");
}

// One line for the displayed signer, or one per signer when there are
// several. The verification code is not among them: documentproperties.xml,
// which holds it, is outside what the signature covers.
std::string signatureBadge(const SignatureInfo& signature) {
  std::string lines;
  if (signature.signers.size() > 1) {
    for (const Signer& signer : signature.signers) lines += metaLine(signerTags(signer));
  } else {
    lines = metaLine(signerSlots(signature));
  }
  if (signatureState(signature) == SignatureState::identityUnconfirmed) lines += unconfirmedNote(signature);
  const SignatureBadgeLook look = lookOf(signature);
  return badge(look.kind, std::string(kShield) + look.mark, look.title, lines);
}

// The verification code's badge; in a signed document it says that the
// signature does not cover the code.
std::string uyapBadge(const std::string& code, bool besideSignature) {
  std::string lines = metaLine(codeTags(code));
  if (besideSignature)
    lines +=
        metaLine(std::string("<span class=\"badge-tag info\">") + UDFHTMLRenderer::kCodeApart + "</span>");
  return badge("uyap",
               R"(<rect x="3" y="3" width="18" height="18" rx="2" ry="2"/>)"
               R"(<line x1="9" y1="9" x2="15" y2="9"/><line x1="9" y1="13" x2="15" y2="13"/>)"
               R"(<line x1="9" y1="17" x2="11" y2="17"/>)",
               UDFHTMLRenderer::kVerificationTitle, lines);
}

std::string badgeFor(const UDFDocument& doc) {
  if (!doc.signature.isSigned)
    return doc.verificationCode.empty() ? std::string() : uyapBadge(doc.verificationCode, false);
  std::string out = signatureBadge(doc.signature);
  if (!doc.verificationCode.empty()) out += "\n    " + uyapBadge(doc.verificationCode, true);
  return out;
}

std::string accessNote(const std::string& webID) {
  if (webID.empty()) return {};
  return std::string("<div class=\"uyap-access\">UYAP Bilişim Sistemindeki bu dokümana ") +
         UDFHTMLRenderer::kCitizenPortal + " adresinden <strong>" + escapeHTML(webID) +
         "</strong> ile erişebilirsiniz.</div>";
}

// The sheet's content: the header when it starts on the first page, the
// body, and the footer, each only when it shows something.
std::string sheetContent(const UDFDocument& doc, DocumentWriter& writer, double contentWidth) {
  std::string out;
  if (doc.headerStartPage < 2 && DocumentWriter::hasVisibleContent(doc.headerElements)) {
    out = writer.region(doc.headerElements, contentWidth, doc.headerColor, "udf-header");
  }
  // The body is taken as it is when nothing stands before it: it is most of
  // the page and need not be copied.
  std::string body = writer.render(doc.elements, contentWidth, false);
  if (out.empty()) {
    out = std::move(body);
  } else {
    out += body;
  }
  if (DocumentWriter::hasVisibleContent(doc.footerElements)) {
    out += writer.region(doc.footerElements, contentWidth, doc.footerColor, "udf-footer");
  }
  return out;
}

std::string badgeRules(const UDFDocument& doc) {
  if (!doc.signature.isSigned) return {};
  const bool severalLines = doc.signature.signers.size() > 1 || !doc.verificationCode.empty() ||
                            signatureState(doc.signature) == SignatureState::identityUnconfirmed;
  return std::string(lookOf(doc.signature).rules) + (severalLines ? kStackedLinesRules : "");
}

std::string stylesheet(const UDFDocument& doc, const DocumentWriter& writer) {
  const PageProperties& page = doc.pageProps;
  const std::string padding = DocumentWriter::u(page.topMargin) + " " + DocumentWriter::u(page.rightMargin) +
                              " " + DocumentWriter::u(page.bottomMargin) + " " +
                              DocumentWriter::u(page.leftMargin);
  std::string head = fillPlaceholder(kStyleHead, "@W@", DocumentWriter::fmt(page.pageWidth()));
  head = fillPlaceholder(std::move(head), "@H@", DocumentWriter::fmt(page.pageHeight()));
  head = fillPlaceholder(std::move(head), "@P@", padding);
  head = fillPlaceholder(std::move(head), "@BADGE@", badgeRules(doc));
  return head + "\n        " + writer.classCSS +
         "\n        @media (prefers-color-scheme: dark) {\n            " + writer.darkCSS + "\n        }\n" +
         kStyleTail;
}

}  // namespace

std::size_t UDFHTMLRenderer::pageBudget(std::size_t inputBytes) {
  constexpr std::size_t kMost = std::numeric_limits<std::size_t>::max();
  if (inputBytes > (kMost - kPageAllowance) / kPageBytesPerInputByte) return kMost;
  return kPageAllowance + kPageBytesPerInputByte * inputBytes;
}

std::string UDFHTMLRenderer::renderHTML(const UDFDocument& doc, const std::string& fileName,
                                        std::size_t pageBudget) {
  const PageProperties& page = doc.pageProps;
  const double contentWidth = std::max(page.pageWidth() - page.leftMargin - page.rightMargin, 100.0);
  FontBook fonts;
  DocumentWriter writer(fonts, pageBudget);
  std::string html = sheetContent(doc, writer, contentWidth);

  // The content is most of the page: what comes before it is put in front
  // of it in its own room rather than the content copied into a new string.
  const std::string before =
      "<!DOCTYPE html>\n"
      "<html lang=\"tr\">\n"
      "<head>\n"
      "    <meta charset=\"UTF-8\">\n"
      "    <meta name=\"viewport\" content=\"width=device-width, initial-scale=1.0\">\n"
      "    <title>" +
      escapeHTML(fileName) +
      "</title>\n"
      "    <style>\n" +
      stylesheet(doc, writer) +
      "    </style>\n"
      "</head>\n"
      "<body>\n"
      "    " +
      badgeFor(doc) +
      "\n"
      "    <div class=\"document-sheet\">\n"
      "        ";
  html.insert(0, before);
  html += "\n        " + accessNote(doc.webID) + "\n        " + kSheetFooter +
          "\n"
          "    </div>\n"
          "</body>\n"
          "</html>\n";
  return html;
}

std::string UDFHTMLRenderer::unconfirmedReason(const Signer& signer) { return reasonUnconfirmed(signer); }

}  // namespace maravel
