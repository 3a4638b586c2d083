// Readable GoogleTest output for Qt values: a failing EXPECT_EQ on two
// QStrings prints the texts, with control characters escaped, instead of bytes.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os);
void PrintTo(const QStringList& list, std::ostream* os);
void PrintTo(const QVariant& v, std::ostream* os);
void PrintTo(const QByteArray& bytes, std::ostream* os);
void PrintTo(const QDateTime& dt, std::ostream* os);
