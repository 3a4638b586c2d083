// The dial script's compiler and runner.
#include "app/script_runner.h"

namespace dialscript {
namespace {

struct Token {
  enum Kind { Word, String, Newline, End } kind = End;
  QString text;  // a word as written, or a string unescaped
  int line = 1;
};

QString describe(const Token& token) {
  switch (token.kind) {
    case Token::Word:
      return u'"' + token.text + u'"';
    case Token::String:
      return QStringLiteral("a string");
    case Token::Newline:
      return QStringLiteral("the end of the line");
    case Token::End:
      return QStringLiteral("the end of the script");
  }
  return {};
}

class Compiler {
 public:
  explicit Compiler(const QString& source) : source_(source) {}

  CompileResult compile() {
    Script script;
    next();
    skipNewlines();
    if (isWord(u"try")) {
      script.guarded = true;
      next();
      if (!expectNewline()) return failure();
      for (skipNewlines(); !isWord(u"end"); skipNewlines()) {
        if (token_.kind == Token::End) return failure(QStringLiteral("\"end try\" is missing"));
        if (!statement(script) || !expectNewline()) return failure();
      }
      next();
      if (!expectWord(u"try")) return failure();
    } else if (!statement(script)) {
      return failure();
    }
    skipNewlines();
    // A lexical error ends the token stream early: it must not pass for the end.
    if (!error_.isEmpty() || token_.kind != Token::End)
      return failure(QStringLiteral("unexpected ") + describe(token_));
    return {std::move(script), {}};
  }

 private:
  bool statement(Script& script) {
    DialStatement dial;
    if (!expectWord(u"tell") || !expectWord(u"application") || !expectString(dial.application) ||
        !expectWord(u"to") || !expectWord(u"dial") || !expectWord(u"number") || !expectString(dial.number))
      return false;
    script.statements << dial;
    return true;
  }

  bool isWord(QStringView word) const {
    return token_.kind == Token::Word && token_.text.compare(word, Qt::CaseInsensitive) == 0;
  }

  bool expectWord(QStringView word) {
    if (!isWord(word)) return expected(u'"' + word.toString() + u'"');
    next();
    return true;
  }

  bool expectString(QString& text) {
    if (token_.kind != Token::String) return expected(QStringLiteral("a string"));
    text = token_.text;
    next();
    return true;
  }

  bool expectNewline() {
    if (token_.kind != Token::Newline) return expected(QStringLiteral("a line break"));
    next();
    return true;
  }

  bool expected(const QString& what) {
    if (error_.isEmpty()) error_ = QStringLiteral("expected %1 but found %2").arg(what, describe(token_));
    return false;
  }

  void skipNewlines() {
    while (token_.kind == Token::Newline) next();
  }

  CompileResult failure(const QString& message = {}) {
    if (error_.isEmpty()) error_ = message;
    return {std::nullopt, QStringLiteral("line %1: %2").arg(token_.line).arg(error_)};
  }

  // Reads the next token into token_; a lexical error ends the script there.
  void next() {
    while (pos_ < source_.size() && (source_[pos_] == u' ' || source_[pos_] == u'\t')) ++pos_;
    token_ = {Token::End, {}, line_};
    if (pos_ >= source_.size() || !error_.isEmpty()) return;
    const QChar c = source_[pos_];
    if (c == u'\n' || c == u'\r') {
      pos_ += c == u'\r' && pos_ + 1 < source_.size() && source_[pos_ + 1] == u'\n' ? 2 : 1;
      token_.kind = Token::Newline;
      ++line_;
    } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
      const qsizetype start = pos_;
      while (pos_ < source_.size() && source_[pos_].isLetter() && source_[pos_].unicode() < 0x80) ++pos_;
      token_ = {Token::Word, source_.mid(start, pos_ - start), line_};
    } else if (c == u'"') {
      readString();
    } else {
      error_ = QStringLiteral("unexpected character \"%1\"").arg(c);
    }
  }

  void readString() {
    QString text;
    for (++pos_; pos_ < source_.size(); ++pos_) {
      const QChar c = source_[pos_];
      if (c == u'"') {
        ++pos_;
        token_.kind = Token::String;
        token_.text = text;
        return;
      }
      if (c == u'\n') ++line_;
      if (c != u'\\') {
        text += c;
        continue;
      }
      const QChar escaped = ++pos_ < source_.size() ? source_[pos_] : QChar();
      switch (escaped.unicode()) {
        case u'"':
          text += u'"';
          break;
        case u'\\':
          text += u'\\';
          break;
        case u'n':
          text += u'\n';
          break;
        case u'r':
          text += u'\r';
          break;
        case u't':
          text += u'\t';
          break;
        default:
          error_ = QStringLiteral("unknown escape \"\\%1\" in a string").arg(escaped);
          return;
      }
    }
    error_ = QStringLiteral("a string is not closed");
  }

  const QString& source_;
  qsizetype pos_ = 0;
  int line_ = 1;
  Token token_;
  QString error_;
};

}  // namespace

CompileResult compile(const QString& source) { return Compiler(source).compile(); }

RunResult run(const Script& script, const Dialer& dialer) {
  RunResult result;
  for (const DialStatement& statement : script.statements) {
    result.dial = dialer(statement.application, statement.number);
    if (!result.dial.reached) {
      result.raised = !script.guarded;
      break;
    }
  }
  return result;
}

}  // namespace dialscript
