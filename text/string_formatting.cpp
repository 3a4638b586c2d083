#include "text/string_formatting.h"

#include <QByteArray>
#include <array>
#include <cmath>
#include <cstdio>

#include "text/c_locales.h"
#include "text/system_log.h"

namespace Tirr_NSStringAdditions {

namespace {

// Ordinal suffixes by the last decimal digit.
constexpr std::array<QStringView, 10> kOrdinalSuffixes{u"th", u"st", u"nd", u"rd", u"th",
                                                       u"th", u"th", u"th", u"th", u"th"};

}  // namespace

QString ordinalStringForInt(qint64 value) {
  if (value == 0) return QStringLiteral("0");
  // The magnitude is unsigned: the least 64-bit integer has no positive twin.
  const quint64 magnitude = value < 0 ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
  const bool teen = magnitude >= 11 && magnitude <= 13;
  QString text = QString::number(value);
  text += teen ? QStringView(u"th") : kOrdinalSuffixes[magnitude % 10];
  return text;
}

QString pluralStringForCount(quint64 count, const std::optional<QString>& zero,
                             const std::optional<QString>& singluar, const QString& plural) {
  if (count == 0 && zero) return *zero;
  if (count == 1 && singluar) return *singluar;
  return plural;
}

QString stringForBool(bool value) { return value ? QStringLiteral("YES") : QStringLiteral("NO"); }

QColor color(const QString& receiver) {
  constexpr std::array<float, 4> kStart{0.0f, 0.0f, 0.0f, 1.0f};
  std::array<float, 4> c = kStart;
  const QByteArray text = receiver.toUtf8();
  {
    const ScopedThreadLocale numbers(cLocale());  // '.' is the decimal point for every user
    if (receiver.count(u' ') == 3) {
      std::sscanf(text.constData(), "%f%f%f%f", &c[0], &c[1], &c[2], &c[3]);
    } else {
      std::sscanf(text.constData(), "%f%f%f", &c[0], &c[1], &c[2]);
    }
  }
  for (std::size_t k = 0; k < c.size(); ++k) {
    if (std::isnan(c[k])) c[k] = kStart[k];  // "nan" is no component value
    if (k < 3 && c[k] > 1.0f) c[k] /= 255.0f;
  }
  // QColor gives an invalid colour for such an alpha but also writes a
  // warning to standard error, where the system log goes; only log() and
  // dumpASCII() may write there.
  if (c[3] < 0.0f || c[3] > 1.0f) return QColor();
  return QColor::fromRgbF(c[0], c[1], c[2], c[3]);
}

void log(const QString& receiver) { systemLog(receiver); }

void dumpASCII(const QString& receiver) {
  QString dump = QChar(u'\n') + receiver + QStringLiteral("\n---------------------------------------\n");
  dump.reserve(dump.size() + receiver.size() * 5);
  for (const QChar unit : receiver) dump += QString::number(unit.unicode());
  systemLog(dump);
}

}  // namespace Tirr_NSStringAdditions
