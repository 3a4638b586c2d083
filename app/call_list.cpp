#include "app/call_list.h"

#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "prefs/plist_value.h"

const QString& callKey(CallField field) {
  static const QString* const keys[kCallFieldCount] = {&CallKeys::index, &CallKeys::number, &CallKeys::date,
                                                       &CallKeys::success, &CallKeys::note};
  return *keys[int(field)];
}

std::optional<CallField> callFieldOf(QStringView key) {
  for (int f = 0; f < kCallFieldCount; ++f)
    if (key == callKey(CallField(f))) return CallField(f);
  return std::nullopt;
}

namespace {

// A value of the kinds a field holds inline; nothing for texts and the rest.
std::optional<CallValue> inlineValue(const QVariant& value) {
  CallValue v;
  switch (value.userType()) {
    case QMetaType::UnknownType:
      return v;
    case QMetaType::Bool:
      v.kind = CallValue::Kind::Bool;
      v.boolean = value.toBool();
      return v;
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar:
      v.kind = CallValue::Kind::Integer;
      v.integer = value.toLongLong();
      return v;
    case QMetaType::ULongLong:
      if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max())) return std::nullopt;
      v.kind = CallValue::Kind::Integer;
      v.integer = value.toLongLong();
      return v;
    case QMetaType::Double:
      v.kind = CallValue::Kind::Real;
      v.real = value.toDouble();
      return v;
    case QMetaType::Float:
      v.kind = CallValue::Kind::Float;
      v.single = value.toFloat();
      return v;
    case QMetaType::QDateTime: {
      const QDateTime date = value.toDateTime();
      if (!date.isValid()) return std::nullopt;
      v.kind = CallValue::Kind::Date;
      v.msecs = date.toMSecsSinceEpoch();
      return v;
    }
    default:
      return std::nullopt;
  }
}

// The field order of a stored dictionary: its keys ascending.
constexpr CallField kKeyOrder[kCallFieldCount] = {CallField::Date, CallField::Index, CallField::Note,
                                                  CallField::Number, CallField::Success};

// The kinds a call value and a stored scalar both hold inline, with the same
// eight-byte payload.
constexpr std::pair<CallValue::Kind, plist::Scalar::Kind> kInlineKinds[] = {
    {CallValue::Kind::Integer, plist::Scalar::Kind::Integer},
    {CallValue::Kind::Real, plist::Scalar::Kind::Real},
    {CallValue::Kind::Float, plist::Scalar::Kind::Float},
    {CallValue::Kind::Bool, plist::Scalar::Kind::Bool},
    {CallValue::Kind::Date, plist::Scalar::Kind::Date},
};

std::optional<plist::Scalar::Kind> inlineScalarKind(CallValue::Kind kind) {
  for (const auto& [call, scalar] : kInlineKinds)
    if (call == kind) return scalar;
  return std::nullopt;
}

std::optional<CallValue::Kind> inlineCallKind(plist::Scalar::Kind kind) {
  for (const auto& [call, scalar] : kInlineKinds)
    if (scalar == kind) return call;
  return std::nullopt;
}

static_assert(sizeof(CallValue::integer) == 8 && sizeof(plist::Scalar::integer) == 8);

}  // namespace

// ---------------------------------------------------------------- CallList

CallList::CallList() : d_(new Data) {}
CallList::CallList(const CallList&) = default;
CallList::CallList(CallList&&) noexcept = default;
CallList& CallList::operator=(const CallList&) = default;
CallList& CallList::operator=(CallList&&) noexcept = default;
CallList::~CallList() = default;

CallList CallList::fromRecords(const QList<QVariantMap>& records) {
  CallListBuilder builder;
  builder.reserve(records.size(), 0);
  for (const QVariantMap& record : records) {
    builder.beginRecord();
    for (auto it = record.cbegin(); it != record.cend(); ++it) builder.setVariant(it.key(), it.value());
  }
  return builder.finish();
}

QList<QVariantMap> CallList::toRecords() const {
  QList<QVariantMap> records;
  records.reserve(size());
  for (qsizetype row = 0; row < size(); ++row) records.append(record(row));
  return records;
}

qsizetype CallList::size() const { return d_->count; }

namespace {

// A chunk with a block of its own, for kChunkCalls records, holding the first
// `count` records of `calls`.
QExplicitlySharedDataPointer<CallList::Chunk> ownChunk(const Call* calls, qsizetype count) {
  const size_t bytes = size_t(CallList::kChunkCalls) * sizeof(Call);
  void* block = std::malloc(bytes);
  if (!block) throw std::bad_alloc();
  auto* chunk = new CallList::Chunk;
  chunk->block = std::shared_ptr<void>(block, std::free);
  chunk->calls = static_cast<Call*>(block);
  chunk->capacity = CallList::kChunkCalls;
  if (count > 0) std::memcpy(chunk->calls, calls, size_t(count) * sizeof(Call));
  return QExplicitlySharedDataPointer<CallList::Chunk>(chunk);
}

}  // namespace

Call& CallList::changeAt(qsizetype row) {
  Q_ASSERT(row >= 0 && row < size());
  Data* d = d_.data();
  ChunkRef& ref = d->chunks[size_t(row >> kChunkShift)];
  // A chunk another list holds too is copied, as is one too small for `row`
  // (the end of a built block, when records are appended).
  const qsizetype at = row & (kChunkCalls - 1);
  if (ref.chunk->ref.loadRelaxed() != 1 || at >= ref.chunk->capacity) {
    const qsizetype first = row - at;
    ref.chunk = ownChunk(ref.calls, std::min(ref.chunk->capacity, d->count - first));
    ref.calls = ref.chunk->calls;
  }
  return ref.calls[at];
}

QStringView CallList::text(qsizetype row, CallField f) const {
  const CallValue& v = field(row, f);
  if (v.kind == CallValue::Kind::Text) return QStringView(d_->block->data() + v.offset, v.size);
  if (v.kind == CallValue::Kind::AddedText) return d_->added.at(qsizetype(v.offset));
  return {};
}

const QVariant* CallList::oddValue(qsizetype row, const QString& key) const {
  const auto it = d_->odd.constFind(row);
  if (it == d_->odd.cend()) return nullptr;
  const auto value = it->constFind(key);
  return value == it->cend() ? nullptr : &*value;
}

QVariant CallList::value(qsizetype row, CallField f) const {
  const CallValue& v = field(row, f);
  switch (v.kind) {
    case CallValue::Kind::Absent:
      return {};
    case CallValue::Kind::Integer:
      return QVariant::fromValue(v.integer);
    case CallValue::Kind::Real:
      return QVariant(v.real);
    case CallValue::Kind::Float:
      return QVariant(v.single);
    case CallValue::Kind::Bool:
      return QVariant(v.boolean);
    case CallValue::Kind::Date:
      return QVariant(QDateTime::fromMSecsSinceEpoch(v.msecs, Qt::UTC));
    case CallValue::Kind::Text:
    case CallValue::Kind::AddedText:
      return QVariant(text(row, f).toString());
    case CallValue::Kind::Other: {
      const QVariant* odd = oddValue(row, callKey(f));
      return odd ? *odd : QVariant();
    }
  }
  return {};
}

QVariantMap CallList::record(qsizetype row) const {
  QVariantMap record;
  for (int f = 0; f < kCallFieldCount; ++f)
    if (has(row, CallField(f))) record.insert(callKey(CallField(f)), value(row, CallField(f)));
  if (const auto it = d_->odd.constFind(row); it != d_->odd.cend())
    for (auto entry = it->cbegin(); entry != it->cend(); ++entry)
      if (!callFieldOf(entry.key())) record.insert(entry.key(), entry.value());
  return record;
}

bool CallList::succeeded(qsizetype row) const {
  const CallValue& v = field(row, CallField::Success);
  switch (v.kind) {
    case CallValue::Kind::Absent:
      return false;
    case CallValue::Kind::Bool:
      return v.boolean;
    case CallValue::Kind::Integer:
      return v.integer != 0;
    default:
      return value(row, CallField::Success).toBool();
  }
}

void CallList::setValue(qsizetype row, CallField f, const QVariant& value) {
  CallValue& v = changeAt(row)[f];
  Data* d = d_.data();
  const QString& key = callKey(f);
  if (v.kind == CallValue::Kind::Other) {
    auto it = d->odd.find(row);
    if (it != d->odd.end() && (it->remove(key), it->isEmpty())) d->odd.erase(it);
  }
  if (const std::optional<CallValue> simple = inlineValue(value)) {
    v = *simple;
    return;
  }
  if (value.userType() == QMetaType::QString) {
    const QString& text = *static_cast<const QString*>(value.constData());
    if (v.kind != CallValue::Kind::AddedText) {
      v.kind = CallValue::Kind::AddedText;
      v.offset = quint64(d->added.size());
      d->added.append(text);
    } else {
      d->added[qsizetype(v.offset)] = text;
    }
    v.size = quint32(text.size());
    return;
  }
  v = CallValue{};
  v.kind = CallValue::Kind::Other;
  d->odd[row].insert(key, plist::normalized(value).value_or(value));
}

void CallList::setRecord(qsizetype row, const QVariantMap& record) {
  for (int f = 0; f < kCallFieldCount; ++f) setValue(row, CallField(f), record.value(callKey(CallField(f))));
  Data* d = d_.data();
  auto it = d->odd.find(row);
  if (it != d->odd.end()) {
    for (auto entry = it->begin(); entry != it->end();)
      entry = callFieldOf(entry.key()) ? std::next(entry) : it->erase(entry);
    if (it->isEmpty()) d->odd.erase(it);
  }
  for (auto entry = record.cbegin(); entry != record.cend(); ++entry)
    if (!callFieldOf(entry.key())) d->odd[row].insert(entry.key(), entry.value());
}

void CallList::append(const QVariantMap& record) {
  Data* d = d_.data();
  const qsizetype row = d->count++;
  if (size_t(row >> kChunkShift) == d->chunks.size()) {
    QExplicitlySharedDataPointer<Chunk> chunk = ownChunk(nullptr, 0);
    d->chunks.push_back({chunk->calls, chunk});
  }
  changeAt(row) = Call{};
  setRecord(row, record);
}

qsizetype CallList::memoryBytes() const {
  qsizetype bytes = d_->count * qsizetype(sizeof(Call));
  if (d_->block) bytes += d_->block->size() * 2;
  for (const QString& text : d_->added) bytes += 2 * text.size();
  return bytes;
}

// ---------------------------------------------------------------- the stored form

// A snapshot of a list as the binary writer walks it.
class CallListTable final : public plist::RecordTable {
 public:
  explicit CallListTable(CallList list) : list_(std::move(list)) {}

  qsizetype count() const override { return list_.size(); }

  void visit(qsizetype row, plist::RecordVisitor& visitor) const override {
    const auto odd = list_.d_->odd.constFind(row);
    if (odd == list_.d_->odd.cend()) {
      for (const CallField f : kKeyOrder)
        if (list_.has(row, f)) visitor.entry(callKey(f), scalar(row, f));
      return;
    }
    // A record with values kept aside: its entries merged in key order.
    std::vector<std::pair<const QString*, plist::Scalar>> entries;
    for (const CallField f : kKeyOrder)
      if (list_.has(row, f) && list_.field(row, f).kind != CallValue::Kind::Other)
        entries.emplace_back(&callKey(f), scalar(row, f));
    for (auto it = odd->cbegin(); it != odd->cend(); ++it) {
      const std::optional<CallField> f = callFieldOf(it.key());
      if (f && list_.field(row, *f).kind != CallValue::Kind::Other) continue;
      plist::Scalar s;
      s.kind = plist::Scalar::Kind::Other;
      s.other = &it.value();
      entries.emplace_back(&it.key(), s);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return *a.first < *b.first; });
    for (const auto& [key, value] : entries) visitor.entry(*key, value);
  }

 private:
  plist::Scalar scalar(qsizetype row, CallField f) const {
    const CallValue& v = list_.field(row, f);
    plist::Scalar s;
    if (const std::optional<plist::Scalar::Kind> kind = inlineScalarKind(v.kind)) {
      s.kind = *kind;
      std::memcpy(&s.integer, &v.integer, sizeof s.integer);
    } else if (v.isText()) {
      const QStringView text = list_.text(row, f);
      s.kind = plist::Scalar::Kind::Text;
      s.chars = text.data();
      s.size = text.size();
    } else {
      s.kind = plist::Scalar::Kind::Other;
      s.other = list_.oddValue(row, callKey(f));
    }
    return s;
  }

  const CallList list_;
};

plist::SharedRecordTable CallList::storedTable() const { return std::make_shared<CallListTable>(*this); }

// ---------------------------------------------------------------- building

void CallListBuilder::reserve(qsizetype records, qsizetype chars) {
  calls_.reserve(records);
  block_.reserve(chars);
}

void CallListBuilder::beginRecord() { calls_.append(Call{}); }

quint64 CallListBuilder::appendText(qsizetype size) {
  const quint64 offset = quint64(block_.size());
  block_.grow(size);
  return offset;
}

void CallListBuilder::setText(CallField f, QStringView text) {
  const quint64 offset = appendText(text.size());
  if (!text.isEmpty()) std::memcpy(block_.data() + offset, text.utf16(), size_t(text.size()) * 2);
  field(f) = CallValue{CallValue::Kind::Text, quint32(text.size()), {}};
  field(f).offset = offset;
}

void CallListBuilder::setLatin1Text(CallField f, const char* chars, qsizetype size) {
  const quint64 offset = appendText(size);
  char16_t* out = block_.data() + offset;
  for (qsizetype i = 0; i < size; ++i) out[i] = char16_t(uchar(chars[i]));
  field(f) = CallValue{CallValue::Kind::Text, quint32(size), {}};
  field(f).offset = offset;
}

void CallListBuilder::setBigEndianText(CallField f, const void* units, qsizetype size) {
  const quint64 offset = appendText(size);
  if (size > 0) qFromBigEndian<quint16>(units, size, block_.data() + offset);
  field(f) = CallValue{CallValue::Kind::Text, quint32(size), {}};
  field(f).offset = offset;
}

void CallListBuilder::setVariant(const QString& key, const QVariant& value) {
  const std::optional<CallField> f = callFieldOf(key);
  const qsizetype row = count() - 1;
  if (f) {
    if (const std::optional<CallValue> simple = inlineValue(value)) {
      field(*f) = *simple;
      return;
    }
    if (value.userType() == QMetaType::QString) {
      setText(*f, *static_cast<const QString*>(value.constData()));
      return;
    }
    field(*f) = CallValue{};
    field(*f).kind = CallValue::Kind::Other;
  }
  data_->odd[row].insert(key, plist::normalized(value).value_or(value));
}

void CallListBuilder::setScalar(const QString& key, const plist::Scalar& value) {
  using K = plist::Scalar::Kind;
  const std::optional<CallField> f = callFieldOf(key);
  if (!f) {
    data_->odd[count() - 1].insert(key, value.toVariant());
    return;
  }
  if (const std::optional<CallValue::Kind> kind = inlineCallKind(value.kind)) {
    CallValue& v = field(*f);
    v = CallValue{*kind, 0, {}};
    std::memcpy(&v.integer, &value.integer, sizeof v.integer);
    return;
  }
  switch (value.kind) {
    case K::Text:
      return setText(*f, QStringView(static_cast<const QChar*>(value.chars), value.size));
    case K::Latin1Text:
      return setLatin1Text(*f, static_cast<const char*>(value.chars), value.size);
    case K::BigEndianText:
      return setBigEndianText(*f, value.chars, value.size);
    case K::Other:
      return setVariant(key, value.toVariant());
    default:
      return;
  }
}

CallList CallListBuilder::finish() {
  // Capacity reserved for the worst case and never touched costs address
  // space, not memory; copying the records to give it back would cost a
  // page fault per page written.
  calls_.squeeze();
  const qsizetype count = calls_.size();
  const auto built = std::make_shared<LargeArray<Call>>(std::move(calls_));
  calls_ = {};
  data_->count = count;
  data_->chunks.reserve(size_t((count + CallList::kChunkCalls - 1) >> CallList::kChunkShift));
  for (qsizetype first = 0; first < count; first += CallList::kChunkCalls) {
    auto* chunk = new CallList::Chunk;
    chunk->block = built;
    chunk->calls = built->data() + first;
    chunk->capacity = std::min(CallList::kChunkCalls, count - first);
    data_->chunks.push_back({chunk->calls, QExplicitlySharedDataPointer<CallList::Chunk>(chunk)});
  }
  block_.squeeze();
  data_->block = std::make_shared<const CallList::TextBlock>(std::move(block_));
  block_ = {};
  CallList list;
  list.d_ = QSharedDataPointer<CallList::Data>(data_.data());
  data_ = new CallList::Data;
  return list;
}
