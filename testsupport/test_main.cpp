// Shared main for every test binary: a QApplication on the offscreen platform
// (widgets, fonts and clipboard need one) and a private XDG tree so tests never
// read or write the real user's preferences.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDebug>

#include "testsupport/qt_printers.h"
#include "testsupport/temp_home.h"

namespace {

QString escaped(const QString& s) {
  QString out;
  out.reserve(s.size() + 2);
  out += QLatin1Char('"');
  for (QChar c : s) {
    const char16_t u = c.unicode();
    if (u == '\n')
      out += QLatin1String("\\n");
    else if (u == '\t')
      out += QLatin1String("\\t");
    else if (u == '\r')
      out += QLatin1String("\\r");
    else if (u == '"')
      out += QLatin1String("\\\"");
    else if (u == '\\')
      out += QLatin1String("\\\\");
    else if (u < 0x20 || (u >= 0x7f && u < 0xa0) || c.isSurrogate() || u == 0x2028 || u == 0x2029)
      out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
    else
      out += c;
  }
  out += QLatin1Char('"');
  return out;
}

}  // namespace

void PrintTo(const QString& s, std::ostream* os) { *os << escaped(s).toStdString(); }

void PrintTo(const QStringList& list, std::ostream* os) {
  *os << '[';
  for (qsizetype i = 0; i < list.size(); ++i) {
    if (i) *os << ", ";
    PrintTo(list[i], os);
  }
  *os << ']';
}

void PrintTo(const QByteArray& bytes, std::ostream* os) {
  *os << "QByteArray(" << bytes.toHex().toStdString() << ')';
}

void PrintTo(const QDateTime& dt, std::ostream* os) {
  *os << dt.toUTC().toString(Qt::ISODateWithMs).toStdString();
}

void PrintTo(const QVariant& v, std::ostream* os) {
  QString text;
  QDebug(&text).nospace() << v;
  *os << text.toStdString();
}

int main(int argc, char** argv) {
  testsupport::TempHome home;  // before QApplication: Qt caches XDG paths
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
