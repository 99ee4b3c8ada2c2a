#pragma once

#include "LoginPages.h"

#include "core/net/FetchPage.h"

namespace marrowfin {

// Anonymous use in place of a sign-in; touches no network. Makes the shared UserInfo "Anonymous" and delivers a
// request whose result is kAnonymousResult, which the login screen takes as success.
class FetchPageQuickLoginCheck final : public FetchPage
{
public:
    static constexpr QStringView kAnonymousResult = u"anonymous";

    using FetchPage::FetchPage;

    void main() override;
};

} // namespace marrowfin
