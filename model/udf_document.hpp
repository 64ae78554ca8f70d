// The parsed document: plain value types that carry a .udf document from the
// reader to the writers.
//
// Every type here is a value: copying copies the whole tree, there is no
// identity and no shared mutable state (a TabStopList shares its stops
// between copies, but they never change). Lengths are points (1/72 inch) as written in
// the document; colours are 0xRRGGBB in the low 24 bits, absent when the
// document does not set them. Strings hold UTF-8.
//
// The model nests through TableCell::elements. The reader never builds more
// than a bounded number of table levels (see reader/element_builder.hpp), so
// copying and destroying a model it returned never recurses deeply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace maravel {

struct PageProperties {
  double leftMargin = 42.52;
  double rightMargin = 42.52;
  double topMargin = 42.52;
  double bottomMargin = 42.52;
  std::int64_t orientation = 1;  // 0 landscape, anything else portrait
  std::int64_t mediaSize = 1;    // 2 A5, anything else A4
  // Where the editor puts the header band: its distance from the page's top
  // edge (headerFOffset), and the footer band's from the bottom edge
  // (footerFOffset). Absent when the document does not say or the value is
  // not a number; never negative as built by the reader.
  std::optional<double> headerOffset;
  std::optional<double> footerOffset;

  bool isLandscape() const;
  bool isA5() const;
  // Paper size in points, from orientation and mediaSize.
  double pageWidth() const;
  double pageHeight() const;

  bool operator==(const PageProperties&) const = default;
};

enum class TextAlignment : int { left = 0, center = 1, right = 2, justify = 3 };

// The case for raw values 0 to 3; nothing for any other value.
std::optional<TextAlignment> textAlignmentFromRaw(std::int64_t raw);
inline int rawValue(TextAlignment a) { return static_cast<int>(a); }

// The page number that an editor footer carries as attributes
// (a code such as "BSP32_2120", pageNumber-seperator, pageNumber-fontFace,
// ...) rather than as text. The number after the code's underscore is a
// set of bits: 8 the base, 32 centred, 64 right-aligned (neither: left), 2048
// "current SEPARATOR total".
struct PageNumberFormat {
  static constexpr std::int64_t kCentred = 32;
  static constexpr std::int64_t kRight = 64;
  static constexpr std::int64_t kWithTotal = 2048;

  std::int64_t bits = 8;
  std::string separator = "/";
  std::string fontFamily = "Arial";
  double fontSize = 11;  // positive as built by the reader
  bool bold = false;
  bool italic = false;
  std::optional<std::uint32_t> color;
  std::string prefix;            // pageNumber-foreStr, written before the number
  std::int64_t firstNumber = 1;  // pageNumber-pageStartNumStr; empty means 1

  TextAlignment alignment() const;  // left, center or right, from the bits
  bool showsTotal() const { return (bits & kWithTotal) != 0; }
  // The text for one page: prefix, number (firstNumber for pageIndex 0), and
  // "SEPARATOR pageCount" when the bits ask for the total, as Word's NUMPAGES
  // counts it.
  std::string text(std::int64_t pageIndex, std::int64_t pageCount) const;

  bool operator==(const PageNumberFormat&) const = default;
};

struct InlineImage {
  std::string base64;    // base64 alphabet only, never empty
  std::string mimeType;  // image/png, image/jpeg, image/gif or image/bmp
  double width = 1;      // display size in points, at least 1
  double height = 1;

  bool operator==(const InlineImage&) const = default;
};

// One stretch of uniformly formatted text, or one inline picture (then text
// is empty). Text may hold tab characters but never CR or LF.
struct TextRun {
  std::string text;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  bool isSubscript = false;
  bool isSuperscript = false;
  double fontSize = 12.0;
  std::string fontFamily = "Times New Roman";
  std::optional<std::uint32_t> foreground;
  std::optional<std::uint32_t> background;
  std::optional<InlineImage> image;
  // For a field of a form that the reader filled from the form's data: the
  // variable's name, its text being the value. Absent for every other run.
  std::optional<std::string> fieldName;

  bool operator==(const TextRun&) const = default;
};

struct TabStop {
  double position = 0;
  std::int64_t alignment = 0;  // 1 right, 2 centre, 4 decimal, others left

  bool operator==(const TabStop&) const = default;
};

// A paragraph's tab stops, read like a const std::vector<TabStop>. A list
// never changes once made, so copies share one vector: the paragraphs that
// inherit one tab setting from a style hold the same list, however long it
// is, and copying a paragraph costs no stops. Equality compares the stops.
// Safe to copy and read on any thread.
class TabStopList {
 public:
  using value_type = TabStop;
  using const_iterator = std::vector<TabStop>::const_iterator;
  using iterator = const_iterator;
  using size_type = std::size_t;

  TabStopList() = default;
  TabStopList(std::vector<TabStop> stops);  // implicit: a vector is a list
  TabStopList(std::initializer_list<TabStop> stops) : TabStopList(std::vector<TabStop>(stops)) {}

  const std::vector<TabStop>& stops() const;
  const_iterator begin() const { return stops().begin(); }
  const_iterator end() const { return stops().end(); }
  std::size_t size() const { return stops().size(); }
  bool empty() const { return stops().empty(); }
  const TabStop& operator[](std::size_t index) const { return stops()[index]; }

  // The same for every copy of one list and different for lists made apart
  // (nullptr for an empty list): lets a reader of many paragraphs handle
  // each shared list once.
  const void* identity() const { return shared_.get(); }

  friend bool operator==(const TabStopList& a, const TabStopList& b) {
    return a.shared_ == b.shared_ || a.stops() == b.stops();
  }

 private:
  std::shared_ptr<const std::vector<TabStop>> shared_;  // null when empty
};

struct ParagraphItem {
  std::vector<TextRun> runs;
  TextAlignment alignment = TextAlignment::left;
  double leftIndent = 0;
  double rightIndent = 0;
  double firstLineIndent = 0;
  double hanging = 0;  // never negative as built by the reader
  double spaceAbove = 0;
  double spaceBelow = 0;
  double lineSpacing = 0;               // a factor, never negative as built by the reader
  std::optional<TabStopList> tabStops;  // sorted by position
  std::optional<std::string> listMarker;

  // The text of all runs joined; picture runs add nothing.
  std::string fullText() const;

  bool operator==(const ParagraphItem&) const = default;
};

struct TableBorder {
  std::string kind;  // as written in the document's border attribute
  std::optional<std::uint32_t> color;
  double width = 1.0;

  bool operator==(const TableBorder&) const = default;
};

struct DocumentElement;

struct TableCell {
  std::vector<DocumentElement> elements;
  std::optional<TableBorder> border;

  bool operator==(const TableCell&) const;
};

struct TableRow {
  std::vector<TableCell> cells;
  std::optional<std::vector<double>> columnSpans;  // never an empty vector
  double height = 0;
  std::optional<TableBorder> border;

  bool operator==(const TableRow&) const = default;
};

struct TableItem {
  std::vector<TableRow> rows;
  std::optional<std::vector<double>> columnSpans;  // never an empty vector
  std::optional<TableBorder> border;

  bool operator==(const TableItem&) const = default;
};

// One block of content: a paragraph or a table. Use std::get_if /
// std::holds_alternative / std::visit as with any variant.
struct DocumentElement : std::variant<ParagraphItem, TableItem> {
  using std::variant<ParagraphItem, TableItem>::variant;

  const ParagraphItem* paragraph() const { return std::get_if<ParagraphItem>(this); }
  const TableItem* table() const { return std::get_if<TableItem>(this); }
};

// What checking a signature found. The reader sets it for every signed
// document; the default keeps a summary built without a check looking
// signed.
enum class SignatureStatus {
  verified,          // the digest of content.xml matches and the signature verifies
  contentChanged,    // the signature verifies, but content.xml is not what was signed
  signatureInvalid,  // the signature value does not verify with the signer's certificate
  unreadable,        // not a signature this reader can check
};

// Whether a certification authority we trust vouches for the signer: the
// signer's certificate chains, at its signing time, to one of the anchors
// (the certificates Maravel ships and those an office or user adds; never
// the system's TLS store, never a certificate from the document) and is a
// qualified certificate (ETSI QcCompliance). The first reason that holds.
enum class ChainTrust {
  untrustedRoot,     // the chain ends at a root that is not an anchor
  trusted,           // chains to an anchor, valid at the signing time, qualified
  issuerMissing,     // a certificate's issuer is neither carried, shipped nor cached
  notQualified,      // chains to an anchor, but the certificate is not a qualified one
  expiredAtSigning,  // a certificate of the chain was not valid at the signing time
  chainInvalid,      // the chain breaks a rule (a forged link, a signer that is no authority)
};

// What was learned of a trusted signer certificate's revocation: by an
// online check, or from a still-current answer an earlier one kept.
enum class Revocation {
  notChecked,   // offline with no current answer kept, or the chain was not trusted
  good,         // the authority answered that it is not revoked
  revoked,      // revoked (Signer::revokedAt says when)
  unavailable,  // asked for, but no answer could be had (try later)
};

// The signer certificate's validity period against the signed signing time.
enum class CertificatePeriod { unknown, valid, notYetValid, expired };

// The digest a signer signed with.
enum class DigestAlgorithm { sha256, sha384, sha512 };

// One signer of a signature that could be checked, named only by what the
// signature covers: the certificate whose key verified it and the signer's
// own signed attributes. A signer whose signature does not verify is named
// by nothing (its texts are empty).
struct Signer {
  std::string name;         // the certificate subject's common name
  std::string tcNumber;     // the subject's serialNumber when it is 11 digits ("TC"/"TR" before them dropped)
  std::string issuer;       // one of the six display names of the certification authorities
  std::string signingDate;  // its own signingTime, DD.MM.YYYY hh:mm:ss
  DigestAlgorithm digestAlgorithm = DigestAlgorithm::sha256;
  SignatureStatus status = SignatureStatus::verified;  // never unreadable
  ChainTrust chain = ChainTrust::untrustedRoot;
  CertificatePeriod certificatePeriod = CertificatePeriod::unknown;
  Revocation revocation = Revocation::notChecked;
  std::string revokedAt = {};  // DD.MM.YYYY hh:mm:ss when revoked
  bool revokedBeforeSigning = false;

  bool operator==(const Signer&) const = default;
};

// The signature summary. The first fields describe the displayed (first)
// signer, the last three the document as a whole; `signers` lists every
// signer in signing order. When the signature could be checked, the first
// fields are signers[0]'s; when it could not (status unreadable, `signers`
// empty) they hold what a scan of the signature's bytes found.
struct SignatureInfo {
  bool isSigned = false;
  std::string signerName;
  std::string tcNumber;
  std::string issuer;
  std::string signingDate;                             // DD.MM.YYYY hh:mm:ss
  SignatureStatus status = SignatureStatus::verified;  // the worst of the signers'
  ChainTrust chain = ChainTrust::untrustedRoot;        // trusted when every signer's is, else the first other
  CertificatePeriod certificatePeriod =
      CertificatePeriod::unknown;  // the first signer's other than valid, if any
  std::vector<Signer> signers = {};

  bool operator==(const SignatureInfo&) const = default;
};

// What a signature badge says, from best to worst: the document is intact
// and a trusted authority vouches for every signer (green); intact, but some
// signer's identity is not established (amber); or not intact (red). A
// signature that cannot be read at all is `unreadable`.
enum class SignatureState { trusted, identityUnconfirmed, failed, unreadable };

// The state of a signed document's signature (trusted for an unsigned one:
// callers ask only when isSigned). A signer is trusted when its chain is and
// its revocation was not found revoked or left unanswered.
SignatureState signatureState(const SignatureInfo& signature);
bool isSignerTrusted(const Signer& signer);

struct UDFDocument {
  std::vector<DocumentElement> elements;
  std::vector<DocumentElement> headerElements;
  std::vector<DocumentElement> footerElements;
  std::int64_t headerStartPage = 1;
  std::optional<std::uint32_t> headerColor;
  std::optional<std::uint32_t> footerColor;
  std::optional<PageNumberFormat> pageNumber;  // when the footer carries one
  PageProperties pageProps;
  std::string verificationCode;
  std::string webID;
  SignatureInfo signature;
  std::string rawText;

  bool operator==(const UDFDocument&) const = default;
};

}  // namespace maravel
