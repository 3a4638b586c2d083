#include "text/string_speech.h"

#include <gtest/gtest.h>

#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

TEST(StringSpeech, EnglishText) {
  EXPECT_EQ(phonemes(QStringLiteral("Hello world")), QStringLiteral("h@l'oU w'3:ld"));
  // Clauses come back one group each, joined by a space.
  EXPECT_EQ(phonemes(QStringLiteral("Hello, world.")), QStringLiteral("h@l'oU w'3:ld"));
  EXPECT_EQ(phonemes(QString()), QString(""));
}

TEST(StringSpeech, TextBeyondTheBasicPlaneIsSpoken) {
  const std::optional<QString> emoji = phonemes(QString::fromUtf8("😀"));
  ASSERT_TRUE(emoji);
  EXPECT_FALSE(emoji->isEmpty());
  EXPECT_EQ(phonemes(QString::fromUtf8("I 😀")), QStringLiteral("aI ") + *emoji);
}

TEST(StringSpeech, ZeroCharacterDoesNotEndTheText) {
  const QString text = QStringLiteral("Hello") + QChar(0) + QStringLiteral("world");
  EXPECT_EQ(phonemes(text), *phonemes(QStringLiteral("Hello")) + u' ' + *phonemes(QStringLiteral("world")));
  EXPECT_EQ(phonemes(QString(QChar(0))), QString(""));
}

TEST(StringSpeech, RepeatedCallsAgree) {
  const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog.");
  const std::optional<QString> first = phonemes(text);
  ASSERT_TRUE(first);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(phonemes(text), first);
}
