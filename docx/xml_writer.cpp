#include "docx/xml_writer.hpp"

#include "platform/text/text.hpp"

namespace maravel {

namespace {

// Appends UTF-8 that is known to be valid, escaped.
void escapeValid(std::string_view value, std::string& out) {
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      case '"':
        out += "&quot;";
        continue;
      case '\'':
        out += "&apos;";
        continue;
      // References, so that attribute values keep them as they are.
      case '\t':
        out += "&#9;";
        continue;
      case '\n':
        out += "&#10;";
        continue;
      case '\r':
        out += "&#13;";
        continue;
      default:
        break;
    }
    if (byte < 0x20) continue;
    // U+FFFE and U+FFFF, EF BF BE and EF BF BF, are not XML characters.
    if (byte == 0xEF && i + 2 < value.size() && static_cast<unsigned char>(value[i + 1]) == 0xBF &&
        (static_cast<unsigned char>(value[i + 2]) & 0xFE) == 0xBE) {
      i += 2;
      continue;
    }
    out += c;
  }
}

}  // namespace

XmlWriter::XmlWriter() { out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"; }

void XmlWriter::escape(std::string_view value, std::string& out) {
  if (text::isValidUTF8(value)) {
    escapeValid(value, out);
  } else {
    escapeValid(text::decodeUTF8Lossy(value), out);
  }
}

void XmlWriter::endStartTag() {
  if (!startTagOpen_) return;
  out_ += '>';
  startTagOpen_ = false;
}

XmlWriter& XmlWriter::open(std::string_view name) {
  endStartTag();
  out_ += '<';
  out_ += name;
  open_.push_back(name);
  startTagOpen_ = true;
  return *this;
}

XmlWriter& XmlWriter::attribute(std::string_view name, std::string_view value) {
  out_ += ' ';
  out_ += name;
  out_ += "=\"";
  escape(value, out_);
  out_ += '"';
  return *this;
}

XmlWriter& XmlWriter::attribute(std::string_view name, std::int64_t value) {
  return attribute(name, std::to_string(value));
}

XmlWriter& XmlWriter::text(std::string_view value) {
  endStartTag();
  escape(value, out_);
  return *this;
}

XmlWriter& XmlWriter::close() {
  if (open_.empty()) return *this;
  if (startTagOpen_) {
    out_ += "/>";
    startTagOpen_ = false;
  } else {
    out_ += "</";
    out_ += open_.back();
    out_ += '>';
  }
  open_.pop_back();
  return *this;
}

XmlWriter& XmlWriter::empty(std::string_view name) { return open(name).close(); }

XmlWriter& XmlWriter::empty(std::string_view name, std::string_view attribute, std::string_view value) {
  return open(name).attribute(attribute, value).close();
}

XmlWriter& XmlWriter::empty(std::string_view name, std::string_view attribute, std::int64_t value) {
  return open(name).attribute(attribute, value).close();
}

std::string XmlWriter::finish() {
  while (!open_.empty()) close();
  std::string done = std::move(out_);
  out_.clear();
  return done;
}

}  // namespace maravel
