#pragma once

#include <memory>

namespace marrowfin {

class HttpRequest;

// Looks at each answer a request got and says whether it stands. The expired-session recovery installs one: when
// the site answered with its sign-in page it clears the request's result, waits until the session is valid again
// and asks for the request to be sent again. With none installed every answer is final.
class SessionGuard
{
public:
    enum class Verdict
    {
        Final,
        SendAgain,
        // The answer is dropped: the request ends as if nothing had come back.
        GiveUp
    };

    SessionGuard() = default;
    virtual ~SessionGuard() = default;
    SessionGuard(const SessionGuard&) = delete;
    SessionGuard& operator=(const SessionGuard&) = delete;

    // Runs on the thread that called request(), after every send, also after a failed one (no response). May block
    // for as long as the recovery takes. `sentAgain` counts the sends this request() call has repeated so far.
    [[nodiscard]] virtual Verdict check(HttpRequest& request, int sentAgain) = 0;

    // The process-wide guard; nullptr (the default) makes every answer final. A request takes the guard anew after
    // each send, so installing or removing one is safe while requests run.
    static void install(std::shared_ptr<SessionGuard> guard);
    [[nodiscard]] static std::shared_ptr<SessionGuard> installed();
};

} // namespace marrowfin
