#include "text/string_case.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "text/character_sets.h"
#include "text/code_points.h"
#include "text/replacement_batch.h"
#include "text/string_core.h"

namespace Tirr_NSStringAdditions {

namespace {

constexpr char kSmallWordsKey[] = "titleCaseSmallWords";

constexpr char16_t asciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - 32 : c; }
constexpr char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; }

// A list of small words ready to apply. When every item that lowering changes
// is a space, one word of printable ASCII and a space, and no such word comes
// twice, the pairs " Word " -> " word " touch only whole words: the title case
// then looks each word up as it writes it (wordIndex). Any other list is
// applied afterwards as its replacement pairs (batch).
class SmallWords {
 public:
  explicit SmallWords(const QString& list) {
    const QChar bar(u'|');
    const QStringList items = list.split(bar);
    const QStringList lowered = list.toLower().split(bar);
    if (items.size() != lowered.size()) batch_.emplace(items, lowered);
    for (qsizetype i = 0; i < items.size() && !batch_; ++i) {
      if (items[i] == lowered[i]) continue;  // a pair that changes nothing
      const QStringView item = items[i];
      if (item.size() < 3 || item.size() > 64 || item.front() != u' ' || item.back() != u' ' ||
          !std::all_of(item.begin() + 1, item.end() - 1, [](QChar c) { return c > u' ' && c < u'\x7F'; }) ||
          wordIndex(item.sliced(1, item.size() - 2)) >= 0) {
        batch_.emplace(items, lowered);
      } else {
        add(item.sliced(1, item.size() - 2).toString());
      }
    }
    if (batch_) words_.clear();
  }

  // The replacement pairs, when the list is not matched word by word.
  [[nodiscard]] const ReplacementBatch* batch() const { return batch_ ? &*batch_ : nullptr; }

  // The index of the item whose word is `word`, or -1.
  [[nodiscard]] int wordIndex(QStringView word) const {
    const qsizetype n = word.size();
    if (n >= 64 || !((lengths_ >> n) & 1)) return -1;
    for (std::size_t slot = slotOf(word);; slot = (slot + 1) & (slots_.size() - 1)) {
      const int index = slots_[slot];
      if (index < 0 || QStringView(words_[std::size_t(index)]) == word) return index;
    }
  }

 private:
  [[nodiscard]] std::size_t slotOf(QStringView word) const {
    const std::size_t key =
        std::size_t(word.size()) * 0x9E3779B1u ^ word.front().unicode() * 31u ^ word.back().unicode();
    return (key * 0x9E3779B1u >> 7) & (slots_.size() - 1);
  }

  void add(QString word) {
    lengths_ |= std::uint64_t{1} << word.size();
    words_.push_back(std::move(word));
    if (2 * words_.size() > slots_.size()) {  // keep the table at most half full
      slots_.assign(2 * slots_.size(), -1);
      for (std::size_t i = 0; i < words_.size(); ++i) place(int(i));
    } else {
      place(int(words_.size() - 1));
    }
  }
  void place(int index) {
    std::size_t slot = slotOf(words_[std::size_t(index)]);
    while (slots_[slot] >= 0) slot = (slot + 1) & (slots_.size() - 1);
    slots_[slot] = index;
  }

  std::vector<QString> words_;
  std::vector<int> slots_ = std::vector<int>(64, -1);  // indexes into words_, -1 when free
  std::uint64_t lengths_ = 0;                          // bit k set: some word has k units
  std::optional<ReplacementBatch> batch_;
};

const std::shared_ptr<const SmallWords>& builtInSmallWords() {
  static const auto builtIn =
      std::make_shared<const SmallWords>(QString::fromUtf16(kDefaultTitleCaseSmallWords));
  return builtIn;
}

// The small words the application's translators answer now, asked on every
// call; a translated text is compiled again only when it changes.
std::shared_ptr<const SmallWords> translatedSmallWords() {
  struct Translated {
    QString text;
    std::shared_ptr<const SmallWords> words;
  };
  thread_local Translated translated;
  QString text = QCoreApplication::translate("ui", kSmallWordsKey);
  if (text == QLatin1String(kSmallWordsKey)) return builtInSmallWords();
  if (!translated.words || text != translated.text) {
    translated.words = std::make_shared<const SmallWords>(text);
    translated.text = std::move(text);
  }
  return translated.words;
}

// Counts the language changes of the application it is installed in. Qt
// announces each one by sending the application a LanguageChange event: on
// installing or removing a translator, and on loading one that is installed.
// Until the count moves, the translators answer what they answered before.
class LanguageWatcher final : public QObject {
 public:
  // Installs a watcher in `app` unless it has one; only from the application's thread.
  static void watch(QCoreApplication* app) {
    if (watched_.load(std::memory_order_acquire) == app) return;
    new LanguageWatcher(app);  // owned by the application
  }
  [[nodiscard]] static bool watches(const QCoreApplication* app) {
    return watched_.load(std::memory_order_acquire) == app;
  }
  [[nodiscard]] static quint64 changes() { return changes_.load(std::memory_order_acquire); }

  ~LanguageWatcher() override {
    watched_.store(nullptr, std::memory_order_release);
    changes_.fetch_add(1, std::memory_order_acq_rel);
  }

  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::LanguageChange && object == parent())
      changes_.fetch_add(1, std::memory_order_acq_rel);
    return false;
  }

 private:
  explicit LanguageWatcher(QCoreApplication* app) : QObject(app) {
    app->installEventFilter(this);
    watched_.store(app, std::memory_order_release);
  }

  static inline std::atomic<const QCoreApplication*> watched_{nullptr};
  static inline std::atomic<quint64> changes_{0};
};

// The small words for the current translation. Without an application there
// are no translators, so the built-in list applies. Otherwise the translators
// are asked again after every language change; between changes their last
// answer is kept. Until a call on the application's thread has installed the
// watcher, and while the application shuts down (when Qt no longer announces
// removed translators), they are asked on every call. The answer stays valid
// until the next call on the same thread.
const SmallWords& smallWords() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return *builtInSmallWords();
  if (!LanguageWatcher::watches(app) && QThread::currentThread() == app->thread())
    LanguageWatcher::watch(app);
  struct Cached {
    const QCoreApplication* app = nullptr;
    quint64 changes = 0;
    std::shared_ptr<const SmallWords> words;
  };
  thread_local Cached cached;
  if (!LanguageWatcher::watches(app) || QCoreApplication::closingDown()) {
    cached.words = translatedSmallWords();
    cached.app = nullptr;
  } else if (const quint64 changes = LanguageWatcher::changes();
             !cached.words || cached.app != app || cached.changes != changes) {
    cached.words = translatedSmallWords();
    cached.app = app;
    cached.changes = changes;
  }
  return *cached.words;
}

// Lowers the small words of a title as they are written: a word written with a
// space on each side whose text is an item's word. Applied one pair after the
// other, " Word " -> " word " uses up the space after each match, so of equal
// small words in a row only every other one is lowered; a different word in
// between does not interrupt the other pairs.
class SmallWordLowering {
 public:
  explicit SmallWordLowering(const SmallWords& words) : words_(words) {}

  // `word` is the word just written; it is lowered in place when it matches.
  void wordWritten(char16_t* word, qsizetype size, bool spaceBefore, bool spaceAfter) {
    const int index = spaceBefore && spaceAfter ? words_.wordIndex(QStringView(word, size)) : -1;
    if (index >= 0 && index != lastLowered_) {
      std::transform(word, word + size, word, asciiLower);
      lastLowered_ = index;
    } else {
      lastLowered_ = -1;
    }
  }

 private:
  const SmallWords& words_;
  int lastLowered_ = -1;
};

// Appends units to a string allocated once at about its final size; it grows
// only when upper-casing made the text longer than the room left.
class UnitWriter {
 public:
  explicit UnitWriter(qsizetype capacity) : out_(std::max<qsizetype>(capacity, 4), Qt::Uninitialized) {}

  void put(char16_t c) {
    makeRoom(1);
    data_[size_++] = c;
  }
  void put(QStringView units) {
    makeRoom(units.size());
    std::copy_n(units.utf16(), units.size(), data_ + size_);
    size_ += units.size();
  }
  // Appends the full upper-case form of one code point.
  void putUpper(QStringView codePoint) {
    if (codePoint.size() == 1 && codePoint[0].unicode() < 0x80) {
      put(asciiUpper(codePoint[0].unicode()));
    } else {
      putOtherUpper(codePoint);
    }
  }
  // Copies the rest of a word: the units from `from` on up to the first white
  // space that ends a word (allWhitespaceCharacterSet()) or `end`. Answers
  // where it stopped.
  const char16_t* copyWordUntil(const char16_t* from, const char16_t* end) {
    const CharacterSet& stops = Tirr_NSCharacterSetAdditions::allWhitespaceCharacterSet();
    makeRoom(end - from);
    char16_t* to = data_ + size_;
    // None of those white-space characters is above U+0020, where most units of a word are.
    while (from < end && (*from > u' ' || !stops.contains(*from))) *to++ = *from++;
    size_ = to - data_;
    return from;
  }
  // Makes room for `n` more units and answers where they go; the caller writes all of them.
  char16_t* extend(qsizetype n) {
    makeRoom(n);
    size_ += n;
    return data_ + size_ - n;
  }
  // Gives back the last `n` units of room taken by extend().
  void unextend(qsizetype n) { size_ -= n; }
  [[nodiscard]] QStringView written() const { return QStringView(data_, size_); }
  [[nodiscard]] char16_t* writtenData() { return data_; }

  QString finish() {
    out_.truncate(size_);
    return std::move(out_);
  }

 private:
  Q_DECL_COLD_FUNCTION void putOtherUpper(QStringView codePoint) { put(codePoint.toString().toUpper()); }
  void makeRoom(qsizetype n) {
    if (size_ + n <= out_.size()) return;
    out_.resize(std::max(2 * out_.size(), size_ + n));
    data_ = reinterpret_cast<char16_t*>(out_.data());
  }

  QString out_;  // its size is the room; the first size_ units are written
  char16_t* data_ = reinterpret_cast<char16_t*>(out_.data());
  qsizetype size_ = 0;
};

constexpr bool isNamePartBreaker(char16_t c) { return c == u'.' || c == u' ' || c == u'\'' || c == u'-'; }

// True when `text` ends with "Mc" or "Mac".
bool endsWithNamePrefix(QStringView text) {
  const qsizetype n = text.size();
  if (n < 2 || text[n - 1] != u'c') return false;
  return text[n - 2] == u'M' || (n >= 3 && text[n - 2] == u'a' && text[n - 3] == u'M');
}

}  // namespace

QString titleCaseString(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const SmallWords& words = smallWords();
  const bool byWord = words.batch() == nullptr;
  const qsizetype n = receiver.size();
  const auto* text = reinterpret_cast<const char16_t*>(receiver.constData());
  SmallWordLowering lowering(words);
  bool spaceBefore = false;
  UnitWriter out(n);
  for (qsizetype p = 0;;) {
    while (p < n && isWhitespaceOrNewline(text[p])) ++p;
    if (p == n) break;
    // Never empty: every stop character is skipped above.
    const qsizetype wordStart = out.written().size();
    const qsizetype first = text[p] < 0x80 ? 1 : codePointSizeAt(receiver, p);
    out.putUpper(QStringView(text + p, first));
    const qsizetype end = out.copyWordUntil(text + p + first, text + n) - text;
    const bool spaceAfter = end < n && text[end] == u' ';
    if (byWord)
      lowering.wordWritten(out.writtenData() + wordStart, out.written().size() - wordStart, spaceBefore,
                           spaceAfter);
    p = end;
    if (p == n) break;
    out.put(text[p++]);
    spaceBefore = spaceAfter;
  }
  return byWord ? out.finish() : words.batch()->apply(out.finish());
}

QString nameCaseString(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const qsizetype n = receiver.size();
  const auto* text = reinterpret_cast<const char16_t*>(receiver.constData());
  UnitWriter out(n);
  bool capitalise = true;         // the first character
  char16_t last = 0, before = 0;  // the two units written last, as endsWithNamePrefix() asks
  // Lowers and capitalises one ASCII unit.
  auto ascii = [&](char16_t unit) {
    char16_t c = asciiLower(unit);
    if (capitalise) c = asciiUpper(c);
    capitalise = isNamePartBreaker(c) || (c == u'c' && (last == u'M' || (last == u'a' && before == u'M')));
    before = last;
    last = c;
    return c;
  };
  // Lowering maps each code point on its own, so the text is lowered a block
  // at a time (never splitting a surrogate pair), in a buffer that stays small.
  // Plain ASCII needs no lowering first: it is lowered on the way.
  constexpr qsizetype kBlock = 2048;
  for (qsizetype start = 0; start < n;) {
    qsizetype end = std::min(n, start + kBlock);
    if (end < n && QChar::isLowSurrogate(text[end]) && QChar::isHighSurrogate(text[end - 1])) --end;
    // Plain ASCII first, as far as it goes; the rest of the block is lowered.
    char16_t* to = out.extend(end - start);
    while (start < end && text[start] < 0x80) *to++ = ascii(text[start++]);
    out.unextend(end - start);
    if (start == end) continue;
    const QString lowered = QStringView(text + start, end - start).toString().toLower();
    start = end;
    const QStringView units = lowered;
    for (qsizetype i = 0; i < units.size();) {
      if (units[i].unicode() < 0x80) {
        out.put(ascii(units[i++].unicode()));
        continue;
      }
      const qsizetype size = codePointSizeAt(units, i);
      const qsizetype written = out.written().size();
      if (capitalise) {
        out.putUpper(units.sliced(i, size));
      } else {
        out.put(units.sliced(i, size));
      }
      i += size;
      const QStringView now = out.written();
      capitalise =
          (now.size() - written == 1 && isNamePartBreaker(now.back().unicode())) || endsWithNamePrefix(now);
      last = now.back().unicode();
      before = now.size() >= 2 ? now[now.size() - 2].unicode() : 0;
    }
  }
  return out.finish();
}

}  // namespace Tirr_NSStringAdditions
