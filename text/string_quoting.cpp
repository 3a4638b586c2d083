#include "text/string_quoting.h"

#include "text/string_core.h"

namespace Tirr_NSStringAdditions {

namespace {

// The escape quotedForm() writes for an inner apostrophe: close the quote,
// an escaped apostrophe, open the quote again.
const QString& quotedApostrophe() {
  static const QString escape = QStringLiteral("'\\\\''");
  return escape;
}

// The ASCII characters that mean something to sh or bash outside quotes and
// are made literal with a backslash. The line feed is absent: after a
// backslash it would be a line continuation and vanish.
constexpr bool isShellSpecial(char16_t c) {
  switch (c) {
    case u'\\':
    case u'!':
    case u'"':
    case u'#':
    case u'$':
    case u'%':
    case u'&':
    case u'\'':
    case u'(':
    case u')':
    case u'*':
    case u';':
    case u'<':
    case u'=':
    case u'>':
    case u'?':
    case u'[':
    case u']':
    case u'`':
    case u'|':
    case u'~':
    case u' ':
    case u'\t':
    case u'{':
    case u'}':
    case u',':
    case u'^':
      return true;
    default:
      return false;
  }
}

}  // namespace

QString quotedForm(const QString& receiver) {
  return QLatin1Char('\'') + snr(receiver, QStringLiteral("'"), quotedApostrophe()) + QLatin1Char('\'');
}

QString quotedFormForSubstring(const QString& receiver) {
  return snr(quotedForm(receiver), quotedApostrophe(), QStringLiteral("\\'"));
}

QString unquotedForm(const QString& receiver) {
  const QString apostrophes = snr(receiver, quotedApostrophe(), QStringLiteral("'"));
  if (apostrophes.size() < 2) return QString();
  return apostrophes.sliced(1, apostrophes.size() - 2);
}

QString quotedFormForScriptSource(const QString& receiver) { return addQuoteEscapes(receiver); }

QString quotedFormForShellScript(const QString& receiver) {
  qsizetype extra = 0;
  for (const QChar c : receiver) {
    if (c == u'\n')
      extra += 2;
    else if (isShellSpecial(c.unicode()))
      extra += 1;
  }
  if (extra == 0) return receiver;

  QString out;
  out.reserve(receiver.size() + extra);
  for (const QChar c : receiver) {
    if (c == u'\n') {
      out += QLatin1String("'\n'");
      continue;
    }
    if (isShellSpecial(c.unicode())) out += QLatin1Char('\\');
    out += c;
  }
  return out;
}

}  // namespace Tirr_NSStringAdditions
