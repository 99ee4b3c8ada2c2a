#include "core/text/TextConversions.h"

#include "core/text/HtmlEntities.h"
#include "core/text/RegexMatching.h"

#include <gtest/gtest.h>

#include <random>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

TEST(TextConversions, PercentEscapeLeavesOnlyTheUnreservedSet)
{
    EXPECT_EQ(stringWithPercentEscape(u"a b&c=d/e"_s), u"a%20b%26c%3Dd%2Fe"_s);
    EXPECT_EQ(stringWithPercentEscape(u"p\u00e4ss\u20ac"_s), u"p%C3%A4ss%E2%82%AC"_s);
    EXPECT_EQ(stringWithPercentEscape(u"AZaz09-._~"_s), u"AZaz09-._~"_s);
    // Every other printable ASCII character is escaped, reserved or not.
    for (char16_t c = 0x20; c < 0x7f; ++c) {
        const QString one(QChar{c});
        if (QChar(c).isLetterOrNumber() || one == u"-"_s || one == u"."_s || one == u"_"_s || one == u"~"_s) {
            continue;
        }
        EXPECT_EQ(stringWithPercentEscape(one), u"%%1"_s.arg(int(c), 2, 16, QChar(u'0')).toUpper()) << int(c);
    }
}

// One line however long: a daemon's decoder may stop at a line break.
TEST(TextConversions, Base64FollowsTheStandardAlphabetAndPadding)
{
    EXPECT_EQ(base64Encoding("abc"), u"YWJj"_s);
    EXPECT_EQ(base64Encoding("ab"), u"YWI="_s);
    EXPECT_EQ(base64Encoding("a"), u"YQ=="_s);
    QByteArray all;
    for (int i = 0; i < 256 * 20; ++i) {
        all.append(char(i % 256));
    }
    const QString encoded = base64Encoding(all);
    EXPECT_FALSE(encoded.contains(u'\n'));
    EXPECT_EQ(QByteArray::fromBase64(encoded.toLatin1(), QByteArray::AbortOnBase64DecodingErrors), all);
}

// Decoding only looks at candidates of 4 to 10 characters: an entity outside that would never be decoded.
TEST(TextConversions, EntityTableHoldsTheXhtmlSetInCodeUnitOrder)
{
    const auto table = htmlEntityTable();
    ASSERT_EQ(table.size(), 253u);
    EXPECT_EQ(table.front().text, u"&quot;");
    EXPECT_EQ(table.back().text, u"&diams;");
    EXPECT_EQ(table.back().codeUnit, 9830);
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_TRUE(i == 0 || table[i - 1].codeUnit < table[i].codeUnit) << i;
        EXPECT_TRUE(table[i].text.starts_with(u"&") && table[i].text.ends_with(u";")) << i;
        EXPECT_TRUE(table[i].text.size() >= 4 && table[i].text.size() <= 10) << i;
    }
}

TEST(TextConversions, EntityDecodingDecodesOnceAndLeavesTheUnknownAlone)
{
    const struct
    {
        QString in;
        QString out;
    } cases[] = {
        {u"&lt;b&gt;"_s, u"<b>"_s},
        {u"&#65;&#x42;&#X43;"_s, u"ABC"_s},
        {u"&#0;|&#65535;|&#65534;"_s, u"&#0;|&#65535;|\ufffe"_s},
        {u"&bogus;"_s, u"&bogus;"_s},
        {u"Tom & Jerry"_s, u"Tom & Jerry"_s},
        {u"&AMP;"_s, u"&AMP;"_s},
        {u"&amp;lt;"_s, u"&lt;"_s},
        {u"&thetasym;&eacute;&euro;&apos;&nbsp;"_s, u"\u03d1\u00e9\u20ac'\u00a0"_s},
        {u"&#x;&#;&#12a;&#x1G;"_s, u"&#x;&#;&#12a;&#x1G;"_s},
        {u"&verylongname;"_s, u"&verylongname;"_s},
        {u"a & b &amp; c"_s, u"a & b & c"_s},
        {u"&amp &lt;"_s, u"&amp <"_s},
        {u"R&amp;D &#39;99&#39;"_s, u"R&D '99'"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gtm_stringByUnescapingFromHTML(c.in), c.out) << c.in.toStdString();
    }
    EXPECT_TRUE(gtm_stringByUnescapingFromHTML(QString()).isNull());
    // The listing's order: decode, then strip.
    EXPECT_EQ(stringByStrippingHTML(gtm_stringByUnescapingFromHTML(u"&lt;b&gt;Name&lt;/b&gt;"_s)), u"Name"_s);
}

TEST(TextConversions, StrippingMatchesRepeatedRemovalOfTheFirstTag)
{
    EXPECT_EQ(stringByStrippingHTML(u"x <b>bold</b> y"_s), u"x bold y"_s);
    EXPECT_EQ(stringByStrippingHTML(u"a <> b < c"_s), u"a <> b < c"_s);
    EXPECT_EQ(stringByStrippingHTML(u"<a\nhref=x>link</a>"_s), u"link"_s);

    // The plain definition, run with the pattern layer: remove the first "<[^>]+>" and search again.
    const auto byDefinition = [](QString text) {
        for (;;) {
            const QStringList first = captureComponentsMatchedByRegex(text, u"<[^>]+>"_s);
            if (first.isEmpty()) {
                return text;
            }
            text.replace(text.indexOf(first.at(0)), first.at(0).size(), QString());
        }
    };
    std::mt19937 random(20261206);
    const QString alphabet = u"<>ab \n"_s;
    for (int i = 0; i < 2000; ++i) {
        QString text = u""_s;
        const int length = int(random() % 14);
        for (int j = 0; j < length; ++j) {
            text.append(alphabet.at(int(random() % alphabet.size())));
        }
        ASSERT_EQ(stringByStrippingHTML(text), byDefinition(text)) << text.toStdString();
    }
}
