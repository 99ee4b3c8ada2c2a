#include "core/text/RegexMatching.h"

#include "core/text/RegexException.h"

#include <gtest/gtest.h>
#include <unicode/uregex.h>

#include <functional>
#include <optional>
#include <vector>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

namespace {

// ICU itself, without our layer: `regex` compiled and set to `subject`.
URegularExpression* icuOpen(const QString& subject, const QString& regex, UErrorCode& status)
{
    URegularExpression* re =
        uregex_open(reinterpret_cast<const UChar*>(regex.utf16()), int32_t(regex.size()), 0, nullptr, &status);
    uregex_setText(re, reinterpret_cast<const UChar*>(subject.utf16()), int32_t(subject.size()), &status);
    return re;
}

// ICU's own answer for every match of `regex` in `subject`, through findNext.
QList<QStringList> icuAllMatches(const QString& subject, const QString& regex)
{
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression* re = icuOpen(subject, regex, status);
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

QString icuReplaceAll(const QString& subject, const QString& regex, const QString& replacement)
{
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression* re = icuOpen(subject, regex, status);
    std::vector<UChar> out(subject.size() * 4 + 64);
    const int32_t n = uregex_replaceAll(re, reinterpret_cast<const UChar*>(replacement.utf16()),
                                        int32_t(replacement.size()), out.data(), int32_t(out.size()), &status);
    uregex_close(re);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    return QString(reinterpret_cast<const QChar*>(out.data()), n);
}

} // namespace

TEST(RegexMatching, FirstMatchCapturesGiveEmptyTextForGroupsThatTookNoPart)
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
}

TEST(RegexMatching, AllMatchesAgreeWithIcuIncludingEmptyMatchesAndLineRules)
{
    const QString text = u"b aa\nab\r\n<a>x</a>\n<a>y\n</a> \U0001F600a"_s;
    const QStringList patterns = {u"a*"_s,   u"a*|b"_s, u"<a>(.*?)</a>"_s, u"<a>([\\s\\S]*?)</a>"_s,
                                  u"^.*$"_s, u"(?:)"_s, u"\\b"_s,          u"(a)|(b)"_s,
                                  u"[^a]+"_s};
    for (const QString& pattern : patterns) {
        EXPECT_EQ(arrayOfCaptureComponentsMatchedByRegex(text, pattern), icuAllMatches(text, pattern))
            << pattern.toStdString();
    }
    // No options: "." stops at a line end, "^"/"$" only at the ends of the whole text.
    EXPECT_EQ(arrayOfCaptureComponentsMatchedByRegex(text, u"<a>(.*?)</a>"_s).size(), 1);
    EXPECT_TRUE(arrayOfCaptureComponentsMatchedByRegex(u"ab\ncd"_s, u"^cd"_s).isEmpty());
    EXPECT_TRUE(arrayOfCaptureComponentsMatchedByRegex(u"abc"_s, u"AB"_s).isEmpty());
}

TEST(RegexMatching, ReplaceExpandsTemplatesAsIcuDoes)
{
    const QString text = u"name=alpha; name=beta; other=gamma"_s;
    const QString pattern = u"(?<key>\\w+)=(\\w+)"_s;
    for (const QString& replacement :
         {u"$2"_s, u"[$0]"_s, u"\\$1"_s, u"${key}:$2"_s, u"$10"_s, u"\\u0041$1"_s, u""_s}) {
        QString subject = text;
        const qsizetype count = replaceOccurrencesOfRegex(subject, pattern, replacement);
        EXPECT_EQ(count, 3);
        EXPECT_EQ(subject, icuReplaceAll(text, pattern, replacement)) << replacement.toStdString();
    }
    QString untouched = text;
    EXPECT_EQ(replaceOccurrencesOfRegex(untouched, u"zzz"_s, u"y"_s), 0);
    EXPECT_EQ(untouched, text);

    QString bad = text;
    EXPECT_THROW(replaceOccurrencesOfRegex(bad, pattern, u"$9"_s), RegexException);
    EXPECT_EQ(bad, text) << "a failed replacement must leave the text as it was";
}

// A fault raises a RegexException of its kind, never a crash. The reason of an expression that does not compile is
// what the user is shown beside such a filter.
TEST(RegexMatching, ErrorsNameTheFaultAndNeverEscapeAsCrashes)
{
    const auto kindOf = [](const std::function<void()>& call) -> std::optional<RegexException::Kind> {
        try {
            call();
        } catch (const RegexException& e) {
            return e.kind();
        }
        return std::nullopt;
    };
    QString subject = u"x"_s;
    EXPECT_EQ(kindOf([] { (void)captureComponentsMatchedByRegex(u"text"_s, u"(unclosed"_s); }),
              RegexException::Kind::CompileFailed);
    EXPECT_EQ(kindOf([] { (void)stringByMatching(u"x"_s, QString()); }), RegexException::Kind::InvalidArgument);
    EXPECT_EQ(kindOf([] { (void)stringByMatching(QString(), u"x"_s); }), RegexException::Kind::InvalidArgument);
    EXPECT_EQ(kindOf([&] { (void)replaceOccurrencesOfRegex(subject, u"x"_s, QString()); }),
              RegexException::Kind::InvalidArgument);
    // An empty subject is a subject, not a missing one.
    EXPECT_TRUE(arrayOfCaptureComponentsMatchedByRegex(u""_s, u"a"_s).isEmpty());

    QString reason;
    EXPECT_FALSE(isValidRegex(u"(unclosed"_s, &reason));
    EXPECT_EQ(reason, u"ICU regular expression error #66310, U_REGEX_MISMATCHED_PAREN."_s);
    EXPECT_TRUE(isValidRegex(u"^(720p|1080p)$"_s));
}
