#include "text/string_markup.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

TEST(StringMarkup, SafeForXML) {
  const struct {
    QString text, safe;
  } cases[] = {
      {u"a<b & 'c'"_qs, u"a&lt;b &amp; &apos;c&apos;"_qs},
      {u"&lt;"_qs, u"&amp;lt;"_qs},
      {u"\"x\">"_qs, u"&quot;x&quot;&gt;"_qs},
      {u"&&"_qs, u"&amp;&amp;"_qs},
      {u"é\U0001F600"_qs, u"é\U0001F600"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(safeForXML(c.text), c.safe);
  }
  const QString plain = QString::fromUtf8("nothing to escape");
  EXPECT_TRUE(safeForXML(plain).isSharedWith(plain));
}

TEST(StringMarkup, ConvertHTMLEntities) {
  const struct {
    QString html, text;
  } cases[] = {
      {u"a&amp;b"_qs, u"a&b"_qs},
      {u"&lt;p&gt;"_qs, u"<p>"_qs},
      {u"&quot;&apos;"_qs, u"\"'"_qs},
      {u"&eacute;&#233;&#xE9;&#XE9;"_qs, u"éééé"_qs},
      {u"&#x1F600;&#128512;"_qs, u"\U0001F600\U0001F600"_qs},  // beyond the BMP
      {u"a&nbsp;b"_qs, u"a\u00A0b"_qs},                        // the no-break space survives
      {u"<b>bold</b> <i>it</i>"_qs, u"bold it"_qs},
      {u"<p>a</p><p>b</p>"_qs, u"a\nb"_qs},
      {u"a<br>b"_qs, u"a\nb"_qs},
      {u"<script>x()</script>y"_qs, u"y"_qs},
      {u"<!-- note -->d"_qs, u"d"_qs},
      {u"&unknown;"_qs, u"&unknown;"_qs},
      {u"é€"_qs, u"é€"_qs},
      // References that name no character read as U+FFFD, never as a lone
      // surrogate or a wrapped value.
      {u"&#xD800;"_qs, u"\uFFFD"_qs},
      {u"&#55296;x"_qs, u"\uFFFDx"_qs},
      {u"&#x110000;"_qs, u"\uFFFD"_qs},
      {u"&#99999999999999999999;"_qs, u"\uFFFD"_qs},
      {u"&#0;"_qs, u"\uFFFD"_qs},
      {u"&#x10FFFF;"_qs, u"\U0010FFFF"_qs},
      {u"&#x+F68000"_qs, u"&#x+F68000"_qs},  // signs are no digits: literal text
      {u"&#+65;&#-1;"_qs, u"&#+65;&#-1;"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.html));
    EXPECT_EQ(convertHTMLEntities(c.html), c.text);
  }
  QString empty;
  empty.reserve(4);
  EXPECT_TRUE(convertHTMLEntities(empty)->isSharedWith(empty));
}

TEST(StringMarkup, FlattenHTML) {
  const struct {
    QString html, text;
  } cases[] = {
      {u"&lt;"_qs, u"<"_qs},
      {u"<b>"_qs, u""_qs},  // short, in Mac OS Roman: read as HTML
      {u"é<>"_qs, u"é"_qs},
      {u"<Ж>"_qs, u"<Ж>"_qs},  // short, not in Mac OS Roman: unchanged
      {u"\U0001F600"_qs, u"\U0001F600"_qs},
      {u"<p>Ж&amp;Ж</p>"_qs, u"Ж&Ж"_qs},  // long: read as UTF-16
      {u"a&nbsp;b&#x1F600;"_qs, u"a\u00A0b\U0001F600"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.html));
    EXPECT_EQ(flattenHTML(c.html), c.text);
  }
  const QString cyrillic = QString::fromUtf8("<Ж>");
  EXPECT_TRUE(flattenHTML(cyrillic).isSharedWith(cyrillic));
}

// The reader must not open what the markup names, by any path: inotify
// reports every open of the watched file as it happens.
TEST(StringMarkup, HtmlReaderOpensNoResource) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(u"resource.css"_qs);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write("p { color: red }"), 16);
  file.close();

  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(path).constData(), IN_OPEN | IN_ACCESS), 0);

  const QString html = u"<html><head><link rel=\"stylesheet\" href=\""_qs + path + u"\"></head><body>"_qs +
                       u"<img src=\""_qs + path + u"\"><img src=\"file://"_qs + path + u"\">"_qs +
                       u"<img src=\"resource.css\"><table background=\""_qs + path +
                       u"\"><tr><td>x</td></tr></table></body></html>"_qs;
  EXPECT_TRUE(convertHTMLEntities(html).has_value());
  EXPECT_FALSE(flattenHTML(html).isEmpty());

  char events[4096];
  EXPECT_LE(read(watch, events, sizeof events), 0) << "the HTML reader opened " << path.toStdString();
  close(watch);
}

}  // namespace
