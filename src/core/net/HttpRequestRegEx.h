#pragma once

#include "HttpRequest.h"

#include <QStringList>

namespace marrowfin {

// A request for one value out of a page: after the send, result() becomes capture group 1 of the first match of
// regex() and elements() the whole capture list. Without a match the page stays in result() and elements() stays
// absent. A pattern that fails on the page (too slow on a hostile page, or broken) counts as a failed fetch.
class HttpRequestRegEx : public HttpRequest
{
public:
    HttpRequestRegEx(QUrl url, QString regex, std::shared_ptr<HttpContext> context = nullptr);

    void request() override;

    // An ICU expression with at least one capture group.
    [[nodiscard]] const QString& regex() const { return m_regex; }
    void setRegex(QString regex) { m_regex = std::move(regex); }
    // Element 0 the whole match, element i capture group i.
    [[nodiscard]] const std::optional<QStringList>& elements() const { return m_elements; }

private:
    QString m_regex;
    std::optional<QStringList> m_elements;
};

} // namespace marrowfin
