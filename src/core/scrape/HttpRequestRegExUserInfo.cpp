#include "HttpRequestRegExUserInfo.h"

#include "PageExtraction.h"
#include "PagePatterns.h"

#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

#include <QStringDecoder>

#include <algorithm>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

std::optional<QString> asciiOrUtf8(const QByteArray& bytes)
{
    const bool ascii = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return (c & 0x80) == 0; });
    if (ascii)
        return bytes.isEmpty() ? u""_s : QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

} // namespace

HttpRequestRegExUserInfo::HttpRequestRegExUserInfo() : HttpRequest(QUrl()) {}

void HttpRequestRegExUserInfo::request()
{
    setResult(responseData() ? asciiOrUtf8(*responseData()) : std::nullopt);
    if (!result())
        return;
    QStringList captures;
    try {
        captures = captureComponentsMatchedByRegex(*result(), nicknamePattern());
    } catch (const RegexException& error) {
        logUnmatchedPage(u"the page holding the user's nickname"_s, error);
        return;
    }
    m_userInfo = &UserInfo::sharedInstance();
    if (captures.size() >= 2)
        m_userInfo->setUsername(captures.at(1).trimmed());
    else
        m_userInfo->setAnonymous();
}

} // namespace marrowfin
