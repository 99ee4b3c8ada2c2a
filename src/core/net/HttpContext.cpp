#include "HttpContext.h"

#include "CookieStore.h"

#include <mutex>

namespace marrowfin {

namespace {

std::mutex& defaultMutex()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

std::shared_ptr<HttpContext>& defaultSlot()
{
    // Never freed: worker threads may still send while the process exits.
    static auto* slot = new std::shared_ptr<HttpContext>();
    return *slot;
}

} // namespace

HttpContext::HttpContext(std::shared_ptr<CookieStore> cookies, QString extraCaFile, qint64 maxBodyBytes)
    : m_cookieStore(cookies ? std::move(cookies) : std::make_shared<CookieStore>()),
      m_extraCaFile(std::move(extraCaFile)), m_maxBodyBytes(maxBodyBytes > 0 ? maxBodyBytes : kDefaultMaxBodyBytes)
{}

HttpContext::~HttpContext() = default;

QString HttpContext::browserUserAgent() const
{
    const std::lock_guard lock(m_userAgentMutex);
    return m_browserUserAgent;
}

void HttpContext::setBrowserUserAgent(const QString& userAgent)
{
    const std::lock_guard lock(m_userAgentMutex);
    m_browserUserAgent = userAgent;
}

std::shared_ptr<HttpContext> HttpContext::defaultContext()
{
    const std::lock_guard lock(defaultMutex());
    auto& slot = defaultSlot();
    if (!slot) {
        slot = std::make_shared<HttpContext>();
    }
    return slot;
}

void HttpContext::setDefaultContext(std::shared_ptr<HttpContext> context)
{
    const std::lock_guard lock(defaultMutex());
    defaultSlot() = std::move(context);
}

} // namespace marrowfin
