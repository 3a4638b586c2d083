#include "text/string_quoting.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

TEST(StringQuoting, QuotedForms) {
  const struct {
    QString text, quoted, forSubstring;
  } cases[] = {
      {u""_qs, u"''"_qs, u"''"_qs},
      {u"abc"_qs, u"'abc'"_qs, u"'abc'"_qs},
      {u"it's"_qs, u"'it'\\\\''s'"_qs, u"'it\\'s'"_qs},
      {u"'"_qs, u"''\\\\'''"_qs, u"'\\''"_qs},
      {u"a\\b"_qs, u"'a\\b'"_qs, u"'a\\b'"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(quotedForm(c.text), c.quoted);
    EXPECT_EQ(quotedFormForSubstring(c.text), c.forSubstring);
    EXPECT_EQ(unquotedForm(c.quoted), c.text);
  }
}

TEST(StringQuoting, UnquotedFormDropsTheEndsWhateverTheyAre) {
  const struct {
    QString text, unquoted;
  } cases[] = {
      {u""_qs, u""_qs}, {u"x"_qs, u""_qs}, {u"ab"_qs, u""_qs}, {u"abc"_qs, u"b"_qs}, {u"\"a\""_qs, u"a"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(unquotedForm(c.text), c.unquoted);
  }
}

TEST(StringQuoting, UnquotedFormInvertsQuotedFormOnRandomText) {
  // An alphabet dense in apostrophes and backslashes, where a stray match of
  // the five-character escape would show.
  const char16_t alphabet[] = u"'\\a \u00E9\"";
  QRandomGenerator random(44);
  for (int round = 0; round < 2000; ++round) {
    QString text(random.bounded(0, 12), Qt::Uninitialized);
    for (QChar& c : text) c = QChar(alphabet[random.bounded(0, 6)]);
    SCOPED_TRACE(::testing::PrintToString(text));
    ASSERT_EQ(unquotedForm(quotedForm(text)), text);
  }
}

TEST(StringQuoting, QuotedFormForScriptSourceEscapesBackslashesToo) {
  const struct {
    QString text, quoted;
  } cases[] = {
      {u"\"x\""_qs, u"\\\"x\\\""_qs},
      {u"a\\"_qs, u"a\\\\"_qs},          // a trailing backslash cannot eat the closing quote
      {u"a\\\"b"_qs, u"a\\\\\\\"b"_qs},  // nor can one before a quote
      {u"plain é"_qs, u"plain é"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(quotedFormForScriptSource(c.text), c.quoted);
  }
  const QString plain = QString::fromUtf8("nothing to escape");
  EXPECT_TRUE(quotedFormForScriptSource(plain).isSharedWith(plain));
}

TEST(StringQuoting, QuotedFormForShellScript) {
  const struct {
    QString text, quoted;
  } cases[] = {
      {u""_qs, u""_qs},
      {u"a b"_qs, u"a\\ b"_qs},
      {u"\\"_qs, u"\\\\"_qs},
      {u"$"_qs, u"\\$"_qs},
      {u"!\"#$%&'()*;<=>?[]`|~"_qs, u"\\!\\\"\\#\\$\\%\\&\\'\\(\\)\\*\\;\\<\\=\\>\\?\\[\\]\\`\\|\\~"_qs},
      {u"{a,b}"_qs, u"\\{a\\,b\\}"_qs},
      {u"a\tb^c"_qs, u"a\\\tb\\^c"_qs},
      {u"a\nb"_qs, u"a'\n'b"_qs},
      {u"\\\n"_qs, u"\\\\'\n'"_qs},
      {u"x-y_z.w/v:u@t+s"_qs, u"x-y_z.w/v:u@t+s"_qs},
      {u"é\U0001F600"_qs, u"é\U0001F600"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(quotedFormForShellScript(c.text), c.quoted);
  }
  const QString plain = QString::fromUtf8("nothing-to-escape");
  EXPECT_TRUE(quotedFormForShellScript(plain).isSharedWith(plain));
}

// Runs `printf %s <quoted>` for every text in one shell process, the outputs
// separated by NUL bytes, and answers the outputs.
QStringList printedByShell(const QString& shell, const QStringList& texts) {
  QString script;
  for (const QString& text : texts)
    script += u"printf %s "_qs + quotedFormForShellScript(text) + u"; printf '\\000'\n"_qs;
  QProcess process;
  process.start(shell, {u"-c"_qs, script});
  if (!process.waitForFinished(60'000)) return {};
  QStringList printed;
  const QList<QByteArray> parts = process.readAllStandardOutput().split('\0');
  for (qsizetype i = 0; i + 1 < parts.size(); ++i) printed.append(QString::fromUtf8(parts[i]));
  return printed;
}

TEST(StringQuoting, QuotedFormForShellScriptSurvivesRealShells) {
  QStringList texts;
  QString allAscii;
  for (char16_t c = 1; c < 128; ++c) {
    const QString one(QChar{c});
    texts << one << one + one + one << u"a"_qs + one + u"b"_qs << one + u"x"_qs;
    allAscii += one;
  }
  texts << allAscii << u""_qs << u"$(echo hi)"_qs << u"`echo hi`"_qs << u"${HOME}"_qs << u"~root"_qs
        << u"*"_qs << u"{a,b}"_qs << u"a=b"_qs << u"!!"_qs << u"-n"_qs << u"--"_qs << u"\n\n"_qs
        << u"a\\\nb"_qs << u"a\r\nb"_qs << u"'\"'"_qs << u"#x"_qs << u"x#"_qs << u"a|b&c;d"_qs << u"<(x)"_qs
        << u"$'x'"_qs;
  QRandomGenerator random(1003);
  for (int round = 0; round < 50; ++round) {
    QString text;
    for (int k = random.bounded(1, 12); k > 0; --k) {
      const char16_t c =
          char16_t(random.bounded(0, 3) == 0 ? random.bounded(0x21, 0x7F) : random.bounded(0xA0, 0xD800));
      text += QChar(c);
    }
    texts << text << text + u"\U0001F600"_qs;
  }

  for (const QString& shell : {u"sh"_qs, u"bash"_qs}) {
    if (QStandardPaths::findExecutable(shell).isEmpty())
      GTEST_SKIP() << shell.toStdString() << " is not installed";
    SCOPED_TRACE(shell.toStdString());
    const QStringList printed = printedByShell(shell, texts);
    ASSERT_EQ(printed.size(), texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i)
      EXPECT_EQ(printed[i], texts[i]) << quotedFormForShellScript(texts[i]).toStdString();
  }
}

}  // namespace
