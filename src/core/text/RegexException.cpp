#include "RegexException.h"

namespace marrowfin {

RegexException::RegexException(Kind kind, QString reason, int icuCode, qsizetype errorIndex)
    : std::runtime_error(reason.toStdString()), m_kind(kind), m_reason(std::move(reason)), m_icuCode(icuCode),
      m_errorIndex(errorIndex)
{}

QString RegexException::name() const
{
    if (m_kind == Kind::InvalidArgument)
        return QStringLiteral("NSInvalidArgumentException");
    return QString::fromLatin1(kName);
}

QString RegexException::errorDescription() const
{
    switch (m_kind) {
    case Kind::CompileFailed:
        return QString::fromLatin1(kCompileDescription);
    case Kind::TimedOut:
        return QStringLiteral("The regular expression took too long to match.");
    case Kind::MatchFailed:
        return QStringLiteral("There was an error matching the regular expression.");
    case Kind::InvalidArgument:
        break;
    }
    return m_reason;
}

} // namespace marrowfin
