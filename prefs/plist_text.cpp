#include "prefs/plist_text.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <limits>

#include "prefs/plist_value.h"

namespace plist {

namespace {

bool isBareChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'$' || c == u'+' || c == u'/' || c == u':' || c == u'.' || c == u'-';
}

int hexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

class TextReader {
 public:
  explicit TextReader(QString text) : text_(std::move(text)) {}

  std::optional<QVariant> read(QString* error) {
    auto result = document();
    if (!result && error) *error = QStringLiteral("text property list: at %1: %2").arg(pos_).arg(error_);
    return result;
  }

 private:
  std::optional<QVariant> failed(const QString& why) {
    if (error_.isEmpty()) error_ = why;
    return std::nullopt;
  }

  bool atEnd() const { return pos_ >= text_.size(); }
  char16_t peek() const { return atEnd() ? u'\0' : text_[pos_].unicode(); }

  // Skips white space and comments; false for an unterminated /* comment.
  bool skip() {
    while (!atEnd()) {
      const char16_t c = peek();
      if (QChar::isSpace(c)) {
        ++pos_;
      } else if (c == u'/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'/') {
        while (!atEnd() && peek() != u'\n' && peek() != u'\r') ++pos_;
      } else if (c == u'/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'*') {
        const qsizetype end = text_.indexOf(QLatin1String("*/"), pos_ + 2);
        if (end < 0) {
          failed(QStringLiteral("unterminated comment"));
          return false;
        }
        pos_ = end + 2;
      } else {
        return true;
      }
    }
    return true;
  }

  bool expect(char16_t c) {
    if (!skip()) return false;
    if (peek() != c) {
      failed(QStringLiteral("expected '%1'").arg(QChar(c)));
      return false;
    }
    ++pos_;
    return true;
  }

  std::optional<QVariant> document() {
    if (!skip()) return std::nullopt;
    if (atEnd()) return failed(QStringLiteral("empty document"));
    const qsizetype start = pos_;
    if (peek() == u'"' || peek() == u'\'' || isBareChar(peek())) {
      // A strings file: bare `key = value;` pairs without braces.
      if (!string() || !skip()) return std::nullopt;
      const bool pairs = peek() == u'=';
      pos_ = start;
      if (pairs) return entries(u'\0', 0);
    }
    auto result = value(0);
    if (!result || !skip()) return std::nullopt;
    if (!atEnd()) return failed(QStringLiteral("text after the top-level value"));
    return result;
  }

  std::optional<QVariant> value(int depth) {
    if (depth > kMaxDepth) return failed(QStringLiteral("nesting deeper than %1").arg(kMaxDepth));
    if (!skip()) return std::nullopt;
    switch (peek()) {
      case u'{':
        ++pos_;
        return entries(u'}', depth);
      case u'(':
        ++pos_;
        return array(depth);
      case u'<':
        ++pos_;
        return peek() == u'*' ? typed() : data();
      default: {
        auto s = string();
        if (!s) return std::nullopt;
        return QVariant(std::move(*s));
      }
    }
  }

  // Reads `key = value;` pairs up to `close` ('}' or, at the top level, the end).
  std::optional<QVariant> entries(char16_t close, int depth) {
    QVariantMap map;
    while (true) {
      if (!skip()) return std::nullopt;
      if (close == u'\0' ? atEnd() : peek() == close) break;
      if (atEnd()) return failed(QStringLiteral("unterminated dictionary"));
      auto key = string();
      if (!key || !expect(u'=')) return std::nullopt;
      auto item = value(depth + 1);
      if (!item || !skip()) return std::nullopt;
      map.insert(std::move(*key), std::move(*item));
      if (peek() == u';')
        ++pos_;
      else if (peek() != close || (close == u'\0' && !atEnd()))
        return failed(QStringLiteral("expected ';'"));
    }
    if (close != u'\0') ++pos_;
    return QVariant(std::move(map));
  }

  std::optional<QVariant> array(int depth) {
    QVariantList list;
    while (true) {
      if (!skip()) return std::nullopt;
      if (peek() == u')') break;
      if (atEnd()) return failed(QStringLiteral("unterminated array"));
      auto item = value(depth + 1);
      if (!item || !skip()) return std::nullopt;
      list.append(std::move(*item));
      if (peek() == u',')
        ++pos_;
      else if (peek() != u')')
        return failed(QStringLiteral("expected ',' or ')'"));
    }
    ++pos_;
    return QVariant(std::move(list));
  }

  std::optional<QVariant> data() {
    QByteArray bytes;
    int high = -1;
    while (true) {
      if (!skip()) return std::nullopt;
      if (atEnd()) return failed(QStringLiteral("unterminated data"));
      const char16_t c = text_[pos_++].unicode();
      if (c == u'>') break;
      const int v = hexValue(c);
      if (v < 0) return failed(QStringLiteral("bad character in data"));
      if (high < 0) {
        high = v;
      } else {
        bytes.append(char(high << 4 | v));
        high = -1;
      }
    }
    if (high >= 0) return failed(QStringLiteral("odd number of hex digits in data"));
    return QVariant(bytes);
  }

  // GNUstep's typed scalars: <*I-12>, <*R1.5>, <*BY>, <*D2001-01-01 00:00:00 +0000>.
  std::optional<QVariant> typed() {
    ++pos_;
    const char16_t kind = peek();
    const qsizetype start = ++pos_;
    const qsizetype end = text_.indexOf(u'>', start);
    if (end < 0) return failed(QStringLiteral("unterminated typed value"));
    pos_ = end + 1;
    const QString body = text_.sliced(start, end - start).trimmed();
    bool ok = false;
    switch (kind) {
      case u'I': {
        const qint64 i = body.toLongLong(&ok);
        if (ok) return QVariant::fromValue(i);
        const quint64 u = body.startsWith(u'-') ? 0 : body.toULongLong(&ok);
        if (ok) return QVariant::fromValue(u);
        break;
      }
      case u'R': {
        const double d = body.toDouble(&ok);
        if (ok) return QVariant(d);
        break;
      }
      case u'B':
        if (body == u"Y" || body == u"N") return QVariant(body == u"Y");
        break;
      case u'D': {
        QDateTime dt = QDateTime::fromString(body, QStringLiteral("yyyy-MM-dd HH:mm:ss t"));
        if (!dt.isValid()) dt = QDateTime::fromString(body, Qt::ISODateWithMs);
        if (dt.isValid()) return QVariant(dt.toUTC());
        break;
      }
    }
    return failed(QStringLiteral("malformed typed value <*%1%2>").arg(QChar(kind)).arg(body.left(64)));
  }

  std::optional<QString> string() {
    if (!skip()) return std::nullopt;
    const char16_t quote = peek();
    if (quote == u'"' || quote == u'\'') {
      ++pos_;
      return quoted(quote);
    }
    const qsizetype start = pos_;
    while (!atEnd() && isBareChar(peek())) ++pos_;
    if (pos_ == start) {
      failed(atEnd() ? QStringLiteral("unexpected end") : QStringLiteral("unexpected character"));
      return std::nullopt;
    }
    return text_.sliced(start, pos_ - start);
  }

  std::optional<QString> quoted(char16_t quote) {
    QString out;
    while (true) {
      if (atEnd()) {
        failed(QStringLiteral("unterminated string"));
        return std::nullopt;
      }
      const qsizetype run = pos_;
      while (!atEnd() && peek() != quote && peek() != u'\\') ++pos_;
      out += QStringView(text_).sliced(run, pos_ - run);
      if (atEnd()) continue;
      if (text_[pos_++] == quote) return out;
      if (atEnd()) continue;
      out += escape();
    }
  }

  // Decodes the escape after a backslash: C escapes, \U or \u with up to four
  // hex digits, and up to three octal digits.
  QChar escape() {
    const char16_t c = text_[pos_++].unicode();
    switch (c) {
      case u'a':
        return QChar(u'\a');
      case u'b':
        return QChar(u'\b');
      case u'f':
        return QChar(u'\f');
      case u'n':
        return QChar(u'\n');
      case u'r':
        return QChar(u'\r');
      case u't':
        return QChar(u'\t');
      case u'v':
        return QChar(u'\v');
      case u'U':
      case u'u': {
        char16_t v = 0;
        for (int i = 0; i < 4 && !atEnd() && hexValue(peek()) >= 0; ++i)
          v = char16_t(v << 4 | hexValue(text_[pos_++].unicode()));
        return QChar(v);
      }
      default:
        if (c >= u'0' && c <= u'7') {
          char16_t v = c - u'0';
          for (int i = 0; i < 2 && peek() >= u'0' && peek() <= u'7'; ++i)
            v = char16_t(v << 3 | (text_[pos_++].unicode() - u'0'));
          return QChar(v);
        }
        return QChar(c);
    }
  }

  QString text_;
  qsizetype pos_ = 0;
  QString error_;
};

QString decodeTextBytes(QByteArrayView bytes) {
  if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    const bool little = uchar(bytes[0]) == 0xFF;
    QString s(bytes.size() / 2 - 1, Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) {
      const uchar a = uchar(bytes[2 + 2 * i]), b = uchar(bytes[3 + 2 * i]);
      s[i] = QChar(little ? char16_t(b << 8 | a) : char16_t(a << 8 | b));
    }
    return s;
  }
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
  return QString::fromUtf8(bytes);
}

}  // namespace

std::optional<QVariant> decodeText(QByteArrayView bytes, QString* error) {
  return TextReader(decodeTextBytes(bytes)).read(error);
}

}  // namespace plist
