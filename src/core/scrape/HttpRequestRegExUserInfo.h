#pragma once

#include "UserInfo.h"

#include "core/net/HttpRequest.h"

namespace marrowfin {

// Reads the signed-in user's nickname from a page another request has already fetched; it never sends anything
// itself. The caller sets responseData() (the page, or "0" for anonymous use) and calls request().
class HttpRequestRegExUserInfo final : public HttpRequest
{
public:
    HttpRequestRegExUserInfo();

    // Decodes responseData() as ASCII, or as UTF-8 when it holds bytes above 127, into result(). A nickname found
    // becomes the shared record's user name (blanks trimmed, the id kept); none found makes the record anonymous.
    // Data that does not decode, or a page the pattern could not be run over, leaves the record untouched.
    void request() override;

    // The shared record once request() has set it; null before.
    [[nodiscard]] UserInfo* userInfo() const { return m_userInfo; }

private:
    UserInfo* m_userInfo = nullptr;
};

} // namespace marrowfin
