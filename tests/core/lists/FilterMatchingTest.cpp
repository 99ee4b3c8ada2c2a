#include "core/lists/FilterSet.h"
#include "support/QtTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace marrowfin;
using namespace Qt::StringLiterals;

// The filters' fast matching (its own expression searched once, names without a text it requires not searched)
// and the documented rule (the wrapped ".*(" + text + ").*" searched through the pattern layer) decide alike for
// awkward filters over names with line terminators and letters outside ASCII; a filter that does not compile is
// unusable in both.
TEST(FilterMatching, AgreesWithTheWrappedSearch)
{
    // The filters tried: empty, alternations and anchors; inline flags, groups that only look broken and back
    // references; look-around, quoting, comments and escaped parentheses; repetition, letters outside ASCII, escapes
    // and character classes; texts that do not compile (alone, or only once wrapped), a repeated letter outside the
    // BMP, texts required around a repetition, and one whose wrapped search fails where its own would not.
    const QStringList texts =
        QStringList{u""_s, u"|"_s, u"a|"_s, u"Linux|BSD"_s, u"^Lin"_s, u"ux$"_s, u"^$"_s, u"\\bMint\\b"_s} +
        QStringList{u"(?i)linux"_s, u"(?s)a.b"_s, u"(?m)^b"_s, u"a)(b"_s, u"a)|(b"_s, u"(a)\\1"_s, u"\\\\1"_s} +
        QStringList{u"(?<=Free)BSD"_s, u"(?<!x)y"_s,      u"a(?=b)"_s, u"\\Qa.b\\E"_s,
                    u"\\Qab"_s,        u"(?x) a b # c"_s, u"[)]"_s,    u"\\)"_s} +
        QStringList{u"a{2}"_s,    u"x*"_s,     u"\\d{2,}p"_s, u"\u03a9|\u0436"_s, u"\\u0416"_s,
                    u"\\x{41}"_s, u"(a|b)c"_s, u"ab+c"_s,     u"ab?c"_s,          u"a.c"_s,
                    u"\\n"_s,     u"\\Ra"_s,   u"(?#c)x"_s,   u"(?<n>a)\\k<n>"_s, u"[a-c]{2}"_s,
                    u"x[^]a]y"_s} +
        QStringList{u"(unclosed"_s,           u"a\\"_s,     u"[a"_s, u"\\c"_s, u"\U0001F600+"_s,
                    u"Word.*12|word\\d{2}"_s, u"()++\n\n"_s};
    const QStringList pieces{u"a"_s,      u"b"_s,      u"c"_s,      u"x"_s,      u"y"_s,         u"Linux"_s,
                             u"BSD"_s,    u"Free"_s,   u"Mint"_s,   u" "_s,      u"\n"_s,        u"\r\n"_s,
                             u"\u2028"_s, u"\u0085"_s, u"\u03a9"_s, u"\u0436"_s, u"A"_s,         u"12"_s,
                             u"Word"_s,   u")"_s,      u"\\"_s,     u"1"_s,      u"\U0001F600"_s};
    std::mt19937 random(7);
    // An empty name made from empty bytes (as the listing may give it) shares Qt's empty data: first, while each
    // filter's expression is new.
    QStringList names{QString::fromUtf8(QByteArray()).split(u'\n').first(), u""_s, QString::fromUtf16(u":\0(\0\0", 5)};
    for (int i = 0; i < 300; ++i) {
        QString name;
        for (auto count = random() % 7; count > 0; --count) {
            name += pieces.at(qsizetype(random() % pieces.size()));
        }
        names.append(name);
    }
    for (const QString& text : texts) {
        const FilterSet fast(QStringList{text});
        bool ruleFailed = false;
        for (const QString& name : names) {
            std::optional<bool> documented;
            try {
                documented = Filter(text).isAccepted(name);
            } catch (const RegexException&) {
                ruleFailed = true;
            }
            // A search that fails is reported and skips the filter from then on: decided only while nothing was
            // reported. Where the rule fails on a name, the filter must not decide it; where both decide, alike.
            const bool accepted = fast.accepts(name);
            const bool reported = !fast.problems().isEmpty();
            EXPECT_TRUE(documented ? reported || accepted == *documented : reported)
                << text.toStdString() << " on \"" << name.toStdString() << '"';
        }
        EXPECT_TRUE(ruleFailed || fast.problems().isEmpty()) << text.toStdString() << ": the rule decides every name";
    }
    // The fast form is in use where it can be.
    EXPECT_FALSE(FilterMatcher(u"Linux|BSD"_s).usesWrappedForm());
}
