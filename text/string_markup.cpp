#include "text/string_markup.h"

#include <unicode/ucnv.h>

#include <QTextDocument>
#include <QVariant>
#include <algorithm>
#include <array>
#include <memory>

#include "text/replacement_batch.h"
#include "text/string_core.h"
#include "text/utf8_units.h"

namespace Tirr_NSStringAdditions {

namespace {

// A text document that refuses every resource the markup names (images,
// style sheets, files given by relative or absolute path), so reading
// untrusted HTML opens nothing: not /dev/zero, not a FIFO, not the network.
class SealedHtmlDocument final : public QTextDocument {
 protected:
  QVariant loadResource(int, const QUrl&) override { return {}; }
};

// Rewrites numeric character references that name no character (0, a
// surrogate, beyond U+10FFFF) as U+FFFD, as HTML readers must, and those
// without digits as literal text; Qt's importer would otherwise put lone
// surrogates or wrapped values into the text.
QString withValidNumericReferences(const QString& html) {
  QString out;
  qsizetype copied = 0;
  for (qsizetype at = html.indexOf(u"&#"); at >= 0; at = html.indexOf(u"&#", at + 2)) {
    qsizetype i = at + 2;
    const bool hex = i < html.size() && (html[i] == u'x' || html[i] == u'X');
    if (hex) ++i;
    const qsizetype digitsStart = i;
    char32_t value = 0;
    auto isDigit = [&](char16_t c) { return hex ? utf8units::isHexDigit(c) : c >= u'0' && c <= u'9'; };
    for (; i < html.size() && isDigit(html[i].unicode()); ++i) {
      const char32_t digit = char32_t(utf8units::hexDigitValue(html[i].unicode()));
      value = std::min<char32_t>(0x110000, value * (hex ? 16 : 10) + digit);
    }
    if (i == digitsStart) {
      // No digit where one belongs ("&#+65;", "&#x-1"): Qt's number reading
      // would take signs and prefixes and wrap large values, so the
      // reference is written as the literal text it is.
      out.append(QStringView(html).sliced(copied, at - copied)).append(u"&amp;#");
      copied = at + 2;
      continue;
    }
    if (value != 0 && value < 0x110000 && !QChar::isSurrogate(value)) continue;
    if (i < html.size() && html[i] == u';') ++i;
    out.append(QStringView(html).sliced(copied, at - copied)).append(u"&#xFFFD;");
    copied = i;
  }
  if (copied == 0) return html;
  return out.append(QStringView(html).sliced(copied));
}

// The plain text of `html`: markup dropped, references decoded, paragraph
// and line separators and the frame marks around tables written as line
// feeds, no-break spaces kept.
QString htmlPlainText(const QString& html) {
  SealedHtmlDocument document;
  document.setHtml(withValidNumericReferences(html));
  QString text = document.toRawText();
  for (QChar& c : text) {
    switch (c.unicode()) {
      case QChar::ParagraphSeparator:
      case QChar::LineSeparator:
      case 0xFDD0:  // beginning of a frame
      case 0xFDD1:  // end of a frame
        c = u'\n';
        break;
      default:
        break;
    }
  }
  return text;
}

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};

// Sends a short text through Mac OS Roman and back, as a reader of that
// encoding would see it; nothing when a character has no Mac OS Roman byte.
// ICU's converter would substitute "?" unless told to stop.
std::optional<QString> throughMacRoman(const QString& text) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open("macintosh", &status));
  if (U_FAILURE(status)) return std::nullopt;
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  std::array<char, 64> bytes;
  const int32_t byteCount = ucnv_fromUChars(converter.get(), bytes.data(), int32_t(bytes.size()),
                                            QStringView(text).utf16(), int32_t(text.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  std::array<UChar, 64> units;
  const int32_t unitCount =
      ucnv_toUChars(converter.get(), units.data(), int32_t(units.size()), bytes.data(), byteCount, &status);
  if (U_FAILURE(status)) return std::nullopt;
  return QString(reinterpret_cast<const QChar*>(units.data()), unitCount);
}

}  // namespace

QString safeForXML(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  static const ReplacementBatch entities(
      {QStringLiteral("&"), QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("\""),
       QStringLiteral("'")},
      {QStringLiteral("&amp;"), QStringLiteral("&lt;"), QStringLiteral("&gt;"), QStringLiteral("&quot;"),
       QStringLiteral("&apos;")});
  return entities.apply(receiver);
}

std::optional<QString> convertHTMLEntities(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  return htmlPlainText(receiver);
}

QString flattenHTML(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  // Short texts are read as Mac OS Roman, longer ones as UTF-16, which holds
  // every string as it is.
  if (receiver.size() < 4) {
    const std::optional<QString> decoded = throughMacRoman(receiver);
    if (!decoded) return receiver;
    return htmlPlainText(*decoded);
  }
  return htmlPlainText(receiver);
}

}  // namespace Tirr_NSStringAdditions
