#pragma once

#include "FormBoundary.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace marrowfin {

// The body of a POST that is not a plain form: what a request asks of it. The remote client adapters are upload
// bodies; the HTTP layer knows them only through this.
class UploadBody
{
public:
    UploadBody() = default;
    virtual ~UploadBody() = default;
    UploadBody(const UploadBody&) = delete;
    UploadBody& operator=(const UploadBody&) = delete;

    // The complete body; two calls give the same bytes. Called on the request's thread.
    [[nodiscard]] virtual QByteArray getData() const = 0;
    // Its Content-Type: multipart/form-data with formBoundary unless the body says otherwise.
    [[nodiscard]] virtual QString uploadContentType() const
    {
        return QStringLiteral("multipart/form-data; boundary=") + QLatin1StringView(formBoundary);
    }
    // What the debug log shows of the body in place of its first bytes, when those may hold a secret; nothing
    // leaves the usual description.
    [[nodiscard]] virtual std::optional<QString> uploadForLog(const QByteArray& body) const
    {
        (void)body;
        return std::nullopt;
    }
};

} // namespace marrowfin
