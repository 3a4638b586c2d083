#include "app/telephone_number.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool isVisualSeparator(QChar c) { return c == u'-' || c == u'.' || c == u'(' || c == u')'; }

bool isKeypadCharacter(QChar c) { return isAsciiDigit(c) || c == u'*' || c == u'#'; }

// Characters that draw nothing yet can change what the user sees: format
// characters (bidi overrides and isolates, zero-width spaces and joiners, the
// byte order mark), controls, and line and paragraph separators.
bool isInvisible(char32_t c) {
  switch (QChar::category(c)) {
    case QChar::Other_Format:
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
      return true;
    default:
      return false;
  }
}

void appendCodePoint(QString& out, char32_t c) {
  if (QChar::requiresSurrogates(c)) {
    out += QChar(QChar::highSurrogate(c));
    out += QChar(QChar::lowSurrogate(c));
  } else {
    out += QChar(char16_t(c));
  }
}

// NFKC, every decimal digit as its ASCII digit, format characters dropped.
QString canonicalDigits(const QString& shown) {
  const QString normal = shown.normalized(QString::NormalizationForm_KC);
  QString out;
  out.reserve(normal.size());
  for (const char32_t c : normal.toUcs4()) {
    if (QChar::category(c) == QChar::Other_Format) continue;
    if (QChar::category(c) == QChar::Number_DecimalDigit)
      out += QChar(u'0' + QChar::digitValue(c));
    else
      appendCodePoint(out, c);
  }
  return out.trimmed();
}

// The number and an extension at its end: "555 1234 ext. 21", "555 1234, x21",
// "5551234;ext=21".
const QRegularExpression& extensionPattern() {
  static const QRegularExpression pattern(
      QStringLiteral(R"(^(.*?)(?:\s*;\s*ext\s*=\s*|[\s,]*(?:ext(?:ension)?\.?|x)\s*)([0-9]+)$)"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  return pattern;
}

std::optional<TelephoneNumber> refuse(QString* problem, const QString& message) {
  if (problem) *problem = message;
  return std::nullopt;
}

// The run of characters from `from` that cannot be part of a number, for naming it.
QString offendingRun(const QString& text, qsizetype from) {
  qsizetype end = from + 1;
  while (end < text.size() && !isKeypadCharacter(text[end]) && !isVisualSeparator(text[end]) &&
         text[end].category() != QChar::Separator_Space && text[end] != u'+')
    ++end;
  return text.mid(from, end - from);
}

}  // namespace

QUrl TelephoneNumber::telUri() const {
  QUrl uri;
  uri.setScheme(QStringLiteral("tel"));
  QString path = visual;
  if (!extension.isEmpty()) path += QStringLiteral(";ext=") + extension;
  uri.setPath(path, QUrl::DecodedMode);  // "#" becomes %23, as RFC 3966 wants
  return uri;
}

QString TelephoneNumber::keypadWithExtension() const {
  return extension.isEmpty() ? keypad : keypad + QStringLiteral(";ext=") + extension;
}

std::optional<TelephoneNumber> readTelephoneNumber(const QString& shown, QString* problem) {
  const QString quoted = quotedNumberForMessage(shown);
  if (shown.size() > kMaxTelephoneNumberText)
    return refuse(problem, ui("“%1” is too long to be a telephone number.").arg(quoted));
  TelephoneNumber number;
  number.written = canonicalDigits(shown);

  QString main = number.written;
  if (const QRegularExpressionMatch m = extensionPattern().match(number.written); m.hasMatch()) {
    main = m.captured(1);
    number.extension = m.captured(2);
  }
  for (qsizetype i = 0; i < main.size(); ++i) {
    const QChar c = main[i];
    if (c.category() == QChar::Separator_Space) continue;
    if (isKeypadCharacter(c)) {
      number.keypad += c;
      number.visual += c;
    } else if (isVisualSeparator(c)) {
      number.visual += c;
    } else if (c == u'+' && number.visual.isEmpty()) {
      number.keypad += c;
      number.visual += c;
    } else if (c == u'+') {
      return refuse(problem,
                    ui("“%1” is not a telephone number: “+” may only stand at its start.").arg(quoted));
    } else {
      return refuse(problem, ui("“%1” is not a telephone number: it holds “%2”.")
                                 .arg(quoted, quotedNumberForMessage(offendingRun(main, i))));
    }
  }
  if (!std::any_of(number.keypad.cbegin(), number.keypad.cend(), isAsciiDigit))
    return refuse(problem, ui("“%1” holds no digits to dial.").arg(quoted));
  if (number.keypad.size() + number.extension.size() > kMaxTelephoneNumberKeys)
    return refuse(problem, ui("“%1” is too long to be a telephone number.").arg(quoted));
  return number;
}

QString visibleNumberText(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const char32_t c : text.toUcs4()) {
    if (isInvisible(c))
      out += QStringLiteral("[U+%1]").arg(QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
    else
      appendCodePoint(out, c);
  }
  return out;
}

QString quotedNumberForMessage(const QString& text, qsizetype limit) {
  if (text.size() <= limit) return visibleNumberText(text);
  qsizetype cut = limit;
  if (text[cut - 1].isHighSurrogate()) --cut;
  return visibleNumberText(text.left(cut)) + QStringLiteral("…");
}
