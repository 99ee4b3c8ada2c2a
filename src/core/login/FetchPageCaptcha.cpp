#include "FetchPageCaptcha.h"

#include "LoginLog.h"

#include "core/config/AppConfig.h"
#include "core/net/HttpRequestRegEx.h"
#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString& scriptPattern()
{
    static const QString pattern =
        uR"re(<script type="text/javascript"[\s\S]*?src="(http://.*recaptcha/api/challenge.*)">[\s\S]*?</script>)re"_s;
    return pattern;
}

const QString& challengePattern()
{
    static const QString pattern = u"challenge[ ]*:[ ]*'(.*?)'"_s;
    return pattern;
}

} // namespace

FetchPageCaptcha::FetchPageCaptcha(QUrl url, QObject* target, Selector selector, std::shared_ptr<HttpContext> context,
                                   int rounds, std::chrono::milliseconds pause)
    : FetchPage(std::move(url), target, std::move(selector)), m_context(std::move(context)),
      m_rounds(rounds < 1 ? 1 : rounds), m_pause(pause)
{}

void FetchPageCaptcha::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_stopped.notify_all();
}

bool FetchPageCaptcha::pause()
{
    std::unique_lock lock(m_mutex);
    return !m_stopped.wait_for(lock, m_pause, [this] { return m_stop; });
}

std::optional<QString> FetchPageCaptcha::fetchScript() const
{
    HttpRequestRegEx page(url(), scriptPattern(), m_context);
    page.setSignIn(true);
    page.request();
    // Without a match the whole page stays in the result; only a match fills the elements.
    if (!page.elements() || !page.result())
        return std::nullopt;
    HttpRequest script(QUrl(*page.result()), m_context);
    script.request();
    if (!script.isResponseValid() || !script.result())
        return std::nullopt;
    return script.result();
}

void FetchPageCaptcha::main()
{
    std::optional<QString> script;
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_stop)
                break;
        }
        ++m_roundsTried;
        script = fetchScript();
        if (script || m_roundsTried.load() >= m_rounds || !pause())
            break;
    }
    if (script) {
        QString challenge;
        try {
            challenge = stringByMatching(*script, challengePattern(), 1);
        } catch (const RegexException&) {
            challenge.clear();
        }
        if (!challenge.isNull()) {
            const QString image = u"http://"_s + AppConfig::current().captchaImageHost + u"/image?c="_s + challenge;
            setReturnObject(QVariantMap{{kImageKey.toString(), image}, {kChallengeKey.toString(), challenge}});
        }
    } else {
        qCDebug(lcLogin) << "no captcha challenge after" << m_roundsTried.load() << "rounds";
    }
    FetchPage::main();
}

} // namespace marrowfin
