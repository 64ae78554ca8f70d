#include "platform/breaks/line_breaks.hpp"

#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <climits>

namespace maravel::breaks {

struct LineBreaks::Impl {
  std::unique_ptr<icu::BreakIterator> iterator;
};

LineBreaks::LineBreaks() : impl_(std::make_unique<Impl>()) {
  UErrorCode status = U_ZERO_ERROR;
  impl_->iterator.reset(icu::BreakIterator::createLineInstance(icu::Locale("tr"), status));
  if (U_FAILURE(status)) impl_->iterator.reset();
}

LineBreaks::~LineBreaks() = default;

std::vector<std::size_t> LineBreaks::opportunities(std::string_view text) {
  std::vector<std::size_t> breaks;
  if (!impl_->iterator || text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return breaks;
  UErrorCode status = U_ZERO_ERROR;
  UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
  if (U_FAILURE(status)) return breaks;
  impl_->iterator->setText(utext, status);
  if (U_SUCCESS(status)) {
    for (int32_t at = impl_->iterator->next(); at != icu::BreakIterator::DONE; at = impl_->iterator->next()) {
      if (at > 0 && static_cast<std::size_t>(at) < text.size())
        breaks.push_back(static_cast<std::size_t>(at));
    }
  }
  // The iterator keeps a shallow clone of the text; leave it on an empty one
  // before the UTF-8 bytes go away.
  impl_->iterator->setText(icu::UnicodeString());
  utext_close(utext);
  return breaks;
}

}  // namespace maravel::breaks
