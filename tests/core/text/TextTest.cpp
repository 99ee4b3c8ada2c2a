#include "core/scrape/TorrentListPattern.h"
#include "core/text/RegexCache.h"
#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"
#include "core/text/TextConversions.h"
#include "fixtures/ListingPage.h"

#include <QScopeGuard>

#include <gtest/gtest.h>
#include <unicode/uregex.h>

#include <numeric>
#include <random>
#include <thread>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

namespace {

// ICU's own answer for every match of `regex` in `subject`, through findNext.
QList<QStringList> icuAllMatches(const QString& subject, const QString& regex)
{
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression* re =
        uregex_open(reinterpret_cast<const UChar*>(regex.utf16()), int32_t(regex.size()), 0, nullptr, &status);
    uregex_setText(re, reinterpret_cast<const UChar*>(subject.utf16()), int32_t(subject.size()), &status);
    QList<QStringList> all;
    const int groups = uregex_groupCount(re, &status);
    while (uregex_findNext(re, &status)) {
        QStringList one;
        for (int g = 0; g <= groups; ++g) {
            const int32_t s = uregex_start(re, g, &status);
            one.append(s < 0 ? u""_s : subject.mid(s, uregex_end(re, g, &status) - s));
        }
        all.append(one);
    }
    uregex_close(re);
    return all;
}

// Whether expression number `i`, each a text of its own, finds its number in its subject.
bool matchesNumber(int i)
{
    return stringByMatching(u"x item%1=%2 y"_s.arg(i).arg(i * 11), u"item%1=(\\d+)"_s.arg(i), 1) ==
           QString::number(i * 11);
}
} // namespace

TEST(RegexMatching, FirstAndAllMatchesAgreeWithIcuAndGiveEmptyTextForGroupsThatTookNoPart)
{
    EXPECT_EQ(captureComponentsMatchedByRegex(u"xx acd yy"_s, u"(a)(b)?(c)(d)"_s),
              (QStringList{u"acd"_s, u"a"_s, u""_s, u"c"_s, u"d"_s}));
    const QStringList emptyGroup = captureComponentsMatchedByRegex(u"<b></b>"_s, u"<b>(.*?)</b>"_s);
    ASSERT_EQ(emptyGroup.size(), 2);
    EXPECT_TRUE(emptyGroup.at(1).isEmpty());
    EXPECT_FALSE(emptyGroup.at(1).isNull());
    EXPECT_TRUE(captureComponentsMatchedByRegex(u"abc"_s, u"z(.)"_s).isEmpty());

    EXPECT_EQ(stringByMatching(u"size 700.5 MB"_s, u"(\\d+)\\.(\\d+)"_s, 2), u"5"_s);
    EXPECT_EQ(stringByMatching(u"size 700.5 MB"_s, u"(\\d+)\\.(\\d+)"_s), u"700.5"_s);
    EXPECT_TRUE(stringByMatching(u"size"_s, u"(\\d+)"_s, 1).isNull());

    const QString text = u"b aa\nab\r\n<a>x</a>\n<a>y\n</a> \U0001F600a"_s;
    const QStringList patterns = {u"a*"_s,   u"a*|b"_s, u"<a>(.*?)</a>"_s, u"<a>([\\s\\S]*?)</a>"_s,
                                  u"^.*$"_s, u"(?:)"_s, u"\\b"_s,          u"(a)|(b)"_s,
                                  u"[^a]+"_s};
    for (const QString& pattern : patterns) {
        EXPECT_EQ(arrayOfCaptureComponentsMatchedByRegex(text, pattern), icuAllMatches(text, pattern))
            << pattern.toStdString();
    }
    EXPECT_TRUE(arrayOfCaptureComponentsMatchedByRegex(u"abc"_s, u"AB"_s).isEmpty());
}

TEST(RegexMatching, ReplaceExpandsTemplatesAsIcuDoesAndErrorsNeverEscapeAsCrashes)
{
    const QString text = u"name=alpha; name=beta; other=gamma"_s;
    const QString pattern = u"(?<key>\\w+)=(\\w+)"_s;
    const std::pair<QString, QString> rows[] = {{u"[$0]"_s, u"[name=alpha]; [name=beta]; [other=gamma]"_s},
                                                {u"\\$1"_s, u"$1; $1; $1"_s},
                                                {u"${key}:$2"_s, u"name:alpha; name:beta; other:gamma"_s},
                                                {u"$10"_s, u"name0; name0; other0"_s},
                                                {u"\\u0041$1"_s, u"Aname; Aname; Aother"_s}};
    for (const auto& [replacement, replaced] : rows) {
        QString subject = text;
        EXPECT_EQ(replaceOccurrencesOfRegex(subject, pattern, replacement), 3);
        EXPECT_EQ(subject, replaced) << replacement.toStdString();
    }

    QString bad = text;
    EXPECT_THROW(replaceOccurrencesOfRegex(bad, pattern, u"$9"_s), RegexException);
    EXPECT_EQ(bad, text) << "a failed replacement must leave the text as it was";

    // A fault raises a RegexException of its kind, never a crash. The reason of an expression that does not compile is
    // what the user is shown beside such a filter.
    // (The kind a compile failure carries is checked by FilterSet's invalid filter test.)
    QString subject = u"x"_s;
    EXPECT_THROW((void)captureComponentsMatchedByRegex(u"text"_s, u"(unclosed"_s), RegexException);
    EXPECT_THROW((void)stringByMatching(u"x"_s, QString()), RegexException);
    EXPECT_THROW((void)stringByMatching(QString(), u"x"_s), RegexException);
    EXPECT_THROW((void)replaceOccurrencesOfRegex(subject, u"x"_s, QString()), RegexException);
    // An empty subject is a subject, not a missing one.
    EXPECT_TRUE(arrayOfCaptureComponentsMatchedByRegex(u""_s, u"a"_s).isEmpty());

    QString reason;
    EXPECT_FALSE(isValidRegex(u"(unclosed"_s, &reason));
    EXPECT_EQ(reason, u"ICU regular expression error #66310, U_REGEX_MISMATCHED_PAREN."_s);
    EXPECT_TRUE(isValidRegex(u"^(720p|1080p)$"_s));
}

TEST(RegexCache, CompilesOnceSurvivesEvictionsAndKeepsNoStaleSubject)
{
    RegexCache::flushAll();
    RegexCache& cache = RegexCache::forCurrentThread();

    const quint64 before = cache.compilations();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(stringByMatching(u"a=17"_s, u"a=(\\d+)"_s, 1), u"17"_s);
    }
    EXPECT_EQ(cache.compilations(), before + 1) << "the same expression must be compiled once";

    // 24 expressions cannot fit 23 slots: at least two share one and evict each other, yet every answer
    // stays right round after round.
    const quint64 start = cache.compilations();
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 24; ++i) {
            ASSERT_TRUE(matchesNumber(i)) << i;
        }
    }
    const quint64 used = cache.compilations() - start;
    EXPECT_GT(used, 24u) << "an evicted expression is compiled again when used again";
    EXPECT_LT(used, 72u) << "expressions that kept their slot are not compiled again";

    QString page = u"<b>one</b>"_s;
    EXPECT_EQ(stringByMatching(page, u"<b>(.*?)</b>"_s, 1), u"one"_s);
    // The slot remembers the text it was set to; changing the caller's copy must not leave a stale subject.
    page.replace(u"one"_s, u"three"_s);
    EXPECT_EQ(stringByMatching(page, u"<b>(.*?)</b>"_s, 1), u"three"_s);
    const QString other = u"<b>two</b>"_s;
    EXPECT_EQ(stringByMatching(other, u"<b>(.*?)</b>"_s, 1), u"two"_s);
    EXPECT_EQ(stringByMatching(page, u"<b>(.*?)</b>"_s, 1), u"three"_s);
}

TEST(RegexCache, ThreadsMatchAtOnceWithoutDisturbingEachOther)
{
    const QString page = fixtures::listingPage(25);
    std::vector<std::jthread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                wrong += int(arrayOfCaptureComponentsMatchedByRegex(page, torrentListPattern()).size() != 25) +
                         int(!matchesNumber((t * 20 + round) % 30));
                if (round == 10 && t == 0) {
                    RegexCache::flushAll();
                }
            }
        });
    }
    threads.clear(); // joins them
    EXPECT_EQ(wrong.load(), 0);
}

// (A page that backtracks without end ends as a failed listing, not as "no rows": TorrentListTest's hostile page.)
TEST(RegexCache, ALongNormalPageDoesNotTimeOut)
{
    const auto restore = qScopeGuard([] { RegexCache::setMatchTimeLimit(RegexCache::kDefaultMatchTimeLimit); });
    // The budget is per match: with a budget far smaller than the whole scan of a 2,000-row page needs, every
    // row is still found because each single row is cheap.
    RegexCache::setMatchTimeLimit(20);
    const QString huge = fixtures::listingPage(2000);
    EXPECT_EQ(arrayOfCaptureComponentsMatchedByRegex(huge, torrentListPattern()).size(), 2000);
}

TEST(TextConversions, PercentEscapeLeavesOnlyTheUnreservedSetAndBase64IsOneLine)
{
    EXPECT_EQ(stringWithPercentEscape(u"p\u00e4ss\u20ac"_s), u"p%C3%A4ss%E2%82%AC"_s);
    // Letters, digits and "-._~" stay; every other printable ASCII character is escaped, reserved or not.
    for (char16_t c = 0x20; c < 0x7f; ++c) {
        const QString one(QChar{c});
        const bool kept = QChar(c).isLetterOrNumber() || u"-._~"_s.contains(one);
        EXPECT_EQ(stringWithPercentEscape(one), kept ? one : u"%%1"_s.arg(int(c), 2, 16, QChar(u'0')).toUpper())
            << int(c);
    }

    // One line however long: a daemon's decoder may stop at a line break.
    QByteArray all(256 * 20, '\0');
    std::iota(all.begin(), all.end(), char(0));
    const QString encoded = base64Encoding(all);
    EXPECT_FALSE(encoded.contains(u'\n'));
    EXPECT_EQ(QByteArray::fromBase64(encoded.toLatin1(), QByteArray::AbortOnBase64DecodingErrors), all);
}

TEST(TextConversions, EntityDecodingDecodesOnceAndLeavesTheUnknownAlone)
{
    const std::pair<QString, QString> cases[] = {
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
        {u"R&amp;D &#39;99&#39;"_s, u"R&D '99'"_s}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(gtm_stringByUnescapingFromHTML(in), out) << in.toStdString();
    }
    EXPECT_TRUE(gtm_stringByUnescapingFromHTML(QString()).isNull());
    // The listing's order: decode, then strip.
    EXPECT_EQ(stringByStrippingHTML(gtm_stringByUnescapingFromHTML(u"&lt;b&gt;Name&lt;/b&gt;"_s)), u"Name"_s);
}

TEST(TextConversions, StrippingMatchesRepeatedRemovalOfTheFirstTag)
{
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
