#include "text/canonical_search.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <QString>
#include <algorithm>
#include <limits>
#include <vector>

#include "text/code_points.h"

namespace {

// ICU counts in int32_t; a segment longer than this is compared literally.
constexpr qsizetype kIcuLimit = std::numeric_limits<int32_t>::max() / 4;

// One segment of the original text whose canonical form differs from it,
// with where it stands in both.
struct Rewrite {
  qsizetype formStart, formEnd, textStart, textEnd;
};

// The canonical form of a text (NFD, optionally case folded and decomposed
// again) built segment by segment between normalization boundaries, so every
// offset of the form can be traced back to the text.
class CanonicalForm {
 public:
  CanonicalForm(QStringView text, bool ignoreCase, const icu::Normalizer2& nfd) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
      qsizetype j = i + codePointSizeAt(text, i);
      while (j < n && !nfd.hasBoundaryBefore(static_cast<UChar32>(codePointAt(text, j))))
        j += codePointSizeAt(text, j);
      appendSegment(text.sliced(i, j - i), i, ignoreCase, nfd);
      i = j;
    }
  }

  [[nodiscard]] const QString& text() const { return form_; }

  // Maps an offset of the form to the text. Inside a rewritten segment there
  // is no exact counterpart: the offset moves to the segment's start, or with
  // `roundUp` to its end, so a match takes the whole character.
  [[nodiscard]] qsizetype toText(qsizetype formOffset, bool roundUp) const {
    auto after = std::upper_bound(rewrites_.begin(), rewrites_.end(), formOffset,
                                  [](qsizetype k, const Rewrite& r) { return k < r.formStart; });
    if (after == rewrites_.begin()) return formOffset;
    const Rewrite& r = *(after - 1);
    if (formOffset >= r.formEnd) return r.textEnd + (formOffset - r.formEnd);
    if (formOffset == r.formStart) return r.textStart;
    return roundUp ? r.textEnd : r.textStart;
  }

 private:
  void appendSegment(QStringView segment, qsizetype textStart, bool ignoreCase, const icu::Normalizer2& nfd) {
    const char16_t c = segment[0].unicode();
    if (segment.size() == 1 && c < 0x80) {  // ASCII is its own canonical form
      const bool fold = ignoreCase && c >= u'A' && c <= u'Z';
      if (fold) rewrites_.push_back({form_.size(), form_.size() + 1, textStart, textStart + 1});
      form_.append(QChar(fold ? c + 32 : c));
      return;
    }
    if (segment.size() > kIcuLimit) {
      form_.append(segment);
      return;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString alias(false, segment.utf16(), static_cast<int32_t>(segment.size()));
    icu::UnicodeString normal = nfd.normalize(alias, status);
    if (ignoreCase && U_SUCCESS(status)) {
      normal.foldCase(U_FOLD_CASE_DEFAULT);
      normal = nfd.normalize(normal, status);
    }
    const QStringView result = U_SUCCESS(status) ? QStringView(normal.getBuffer(), normal.length()) : segment;
    if (result != segment)
      rewrites_.push_back(
          {form_.size(), form_.size() + result.size(), textStart, textStart + segment.size()});
    form_.append(result);
  }

  QString form_;
  std::vector<Rewrite> rewrites_;  // in order of position
};

// A match in the canonical form counts only when it takes whole characters: it
// may not split a surrogate pair, nor stop before a combining mark that belongs
// to its last character ("e" is not in "é").
bool matchTakesWholeCharacters(QStringView form, qsizetype at, qsizetype end) {
  if (at > 0 && form[at].isLowSurrogate() && form[at - 1].isHighSurrogate()) return false;
  if (end >= form.size()) return true;
  if (form[end].isLowSurrogate() && form[end - 1].isHighSurrogate()) return false;
  return u_getCombiningClass(static_cast<UChar32>(codePointAt(form, end))) == 0;
}

}  // namespace

std::optional<TextRange> findCanonicallyEquivalent(QStringView text, QStringView needle, bool ignoreCase) {
  if (needle.isEmpty() || text.isEmpty()) return std::nullopt;
  const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status) || (allUnitsBelow(text, 0x80) && allUnitsBelow(needle, 0x80))) {
    const qsizetype at = text.indexOf(needle, 0, cs);
    if (at < 0) return std::nullopt;
    return TextRange{at, needle.size()};
  }

  const CanonicalForm hay(text, ignoreCase, *nfd);
  const CanonicalForm want(needle, ignoreCase, *nfd);
  const QString& form = hay.text();
  const QString& wanted = want.text();
  if (wanted.isEmpty()) return std::nullopt;
  for (qsizetype at = 0; (at = form.indexOf(wanted, at)) >= 0; ++at) {
    const qsizetype end = at + wanted.size();
    if (!matchTakesWholeCharacters(form, at, end)) continue;
    const qsizetype start = hay.toText(at, false);
    return TextRange{start, hay.toText(end, true) - start};
  }
  return std::nullopt;
}
