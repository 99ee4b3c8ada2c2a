#pragma once

#include "core/net/SessionGuard.h"

#include <memory>

namespace marrowfin {

class SessionController;

// The recovery from an expired site session, installed as the process's SessionGuard. When a request meets the
// site's sign-in page (its title names "/auth/login/") while the main face is up, the request drops that page,
// exactly one such request starts the root controller's re-sign-in, and each waits on the controller's condition
// until the session is valid again, then sends once more.
//
// Where it stops instead: a request on the main thread never waits for the user (it ends with no result when the
// re-sign-in fails), nor does one on a worker thread when the controller says workers do not wait for the user;
// and a request that still meets the sign-in page after kMaxSendsAgain sends ends with no result, so that a site
// that answers every sign-in with its sign-in page cannot keep it busy for ever.
class SessionRecovery final : public SessionGuard
{
public:
    static constexpr int kMaxSendsAgain = 3;

    explicit SessionRecovery(std::shared_ptr<SessionController> controller);

    [[nodiscard]] Verdict check(HttpRequest& request, int sentAgain) override;

    [[nodiscard]] const std::shared_ptr<SessionController>& controller() const { return m_controller; }

private:
    std::shared_ptr<SessionController> m_controller;
};

} // namespace marrowfin
