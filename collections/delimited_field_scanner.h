// The engine of the delimited line parser: splits one line into finished
// fields and hands each to a callback as a view, so the file reader can type
// cells without building a string per field.
#pragma once

#include <QStringView>
#include <string>

#include "text/character_sets.h"

// Splits lines at a delimiter into finished fields. A field enclosed in double
// quotes may hold the delimiter; a doubled double quote stands for one. Keeps
// its scratch buffers between lines, so one scanner per file allocates only
// for quoted fields, and only while its buffers grow.
//
// The rules, as the line parser defines them: the line is split at every
// occurrence of the delimiter into pieces; in each piece every doubled quote
// becomes the placeholder "<<quote>>" (left to right, no overlap). A piece
// that then begins but does not end with a quote opens a quoted field, which
// collects the following pieces, with the delimiter put back between them,
// up to and including the first piece that ends with a quote. Any other
// piece is a field by itself. A field is finished by removing all quotes from
// both ends, then all white space and newlines from both ends, then turning
// every placeholder into one quote. A quoted field still open at the end of
// the line is dropped. Pieces without quotes or placeholders, the usual case,
// are only trimmed, straight from the line.
class DelimitedFieldScanner {
 public:
  // Calls `sink(QStringView field)` for each finished field of `line` in
  // order; the view lives until the sink returns. A sink answering false stops
  // the scan. An empty delimiter makes the whole line one field.
  template <typename Sink>
  void scan(QStringView line, QStringView delimiter, Sink&& sink) {
    if (delimiter.isEmpty()) {
      wholeField(line, sink);
      return;
    }
    inside_ = false;
    pending_.clear();
    qsizetype from = 0;
    for (;;) {
      PieceTraits traits;
      const qsizetype at = findDelimiter(line, delimiter, from, traits);
      const QStringView piece = line.sliced(from, (at < 0 ? line.size() : at) - from);
      if (!takePiece(piece, traits, delimiter, sink) || at < 0) return;
      from = at + delimiter.size();
    }
  }

 private:
  struct PieceTraits {
    bool hasQuote = false;
    bool hasAngle = false;  // a '<' that may begin a literal placeholder
  };

  static constexpr char16_t kQuote = u'"';
  static constexpr QStringView placeholder() { return u"<<quote>>"; }

  // Answers the position of the next delimiter at or after `from` (or -1) and
  // notes what the piece up to it holds.
  static qsizetype findDelimiter(QStringView line, QStringView delimiter, qsizetype from,
                                 PieceTraits& traits) {
    const char16_t* const data = line.utf16();
    const qsizetype size = line.size();
    const char16_t first = delimiter.front().unicode();
    for (qsizetype i = from; i < size; ++i) {
      const char16_t c = data[i];
      if (c == first && line.sliced(i).startsWith(delimiter)) return i;
      if (c <= u'<') {
        if (c == kQuote) traits.hasQuote = true;
        if (c == u'<') traits.hasAngle = true;
      }
    }
    return -1;
  }

  // Writes `piece` with every doubled quote turned into the placeholder.
  static void appendWithPlaceholders(std::u16string& out, QStringView piece) {
    const char16_t* p = piece.utf16();
    const char16_t* const end = p + piece.size();
    while (p < end) {
      if (*p == kQuote && p + 1 < end && p[1] == kQuote) {
        out.append(placeholder().utf16(), placeholder().size());
        p += 2;
      } else {
        out.push_back(*p++);
      }
    }
  }

  template <typename Sink>
  bool wholeField(QStringView piece, Sink& sink) {
    piece_.clear();
    appendWithPlaceholders(piece_, piece);
    return finish(piece_, sink);
  }

  template <typename Sink>
  bool takePiece(QStringView piece, PieceTraits traits, QStringView delimiter, Sink& sink) {
    if (!inside_) {
      if (!traits.hasQuote) {
        if (traits.hasAngle && piece.contains(placeholder())) return finish(piece, sink);
        return sink(trimmed(piece));
      }
      piece_.clear();
      appendWithPlaceholders(piece_, piece);
      if (piece_.front() == kQuote && piece_.back() != kQuote) {
        pending_.assign(piece_, 1);
        pending_.append(delimiter.utf16(), delimiter.size());
        inside_ = true;
        return true;
      }
      return finish(piece_, sink);
    }
    const std::size_t pieceStart = pending_.size();
    if (traits.hasQuote) {
      appendWithPlaceholders(pending_, piece);
    } else {
      pending_.append(piece.utf16(), piece.size());
    }
    if (pending_.size() > pieceStart && pending_.back() == kQuote) {
      inside_ = false;
      return finish(pending_, sink);
    }
    pending_.append(delimiter.utf16(), delimiter.size());
    return true;
  }

  static QStringView trimmed(QStringView text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isWhitespaceOrNewline(text[begin].unicode())) ++begin;
    while (end > begin && isWhitespaceOrNewline(text[end - 1].unicode())) --end;
    return text.sliced(begin, end - begin);
  }

  template <typename Sink>
  bool finish(QStringView text, Sink& sink) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == kQuote) ++begin;
    while (end > begin && text[end - 1] == kQuote) --end;
    const QStringView field = trimmed(text.sliced(begin, end - begin));
    qsizetype at = field.indexOf(placeholder());
    if (at < 0) return sink(field);
    finished_.clear();
    qsizetype from = 0;
    for (; at >= 0; from = at + placeholder().size(), at = field.indexOf(placeholder(), from)) {
      finished_.append(field.utf16() + from, at - from);
      finished_.push_back(kQuote);
    }
    finished_.append(field.utf16() + from, field.size() - from);
    return sink(QStringView(finished_));
  }

  bool inside_ = false;
  std::u16string piece_;     // the current piece, placeholders in
  std::u16string pending_;   // the quoted field being collected
  std::u16string finished_;  // a finished field whose placeholders became quotes
};
