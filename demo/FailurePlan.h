#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marrowfin::demo {

enum class FailureMode
{
    None,
    Drop,        // read the request, then close the connection without an answer
    ServerError, // answer 500
    Slow,        // answer normally, a few hundred bytes at a time
    RateLimited, // answer 429 with Retry-After
    NotFound,    // answer 404
    Blocked,     // answer 403 with a page that blocks the request, no script on it
    Challenge,   // answer 503 with a browser check: a script that sets a clearance cookie after a moment; requests that
                 // carry the cookie made for their user agent pass
};

struct FailureRule
{
    FailureMode mode = FailureMode::None;
    std::string pathPrefix; // empty: every path
    bool exact = false;     // the path alone, not every path it starts
    int retryAfter = 2;     // RateLimited: the seconds Retry-After asks for
    int times = 0;          // the answers the rule gives before it lifts; 0: until it is changed
};

// Injected failures, shared by the site and both client simulators. Set from the command line and changed at run
// time through the site's control address, so it is read and written under one lock from the io threads.
class FailurePlan final
{
public:
    // "drop", "500", "slow", "429", "404", "403" or "challenge", optionally followed by ":" and a path prefix
    // ("500:/usearch/").
    [[nodiscard]] static std::optional<FailureRule> parse(std::string_view text);
    [[nodiscard]] static std::optional<FailureMode> parseMode(std::string_view text);

    void add(FailureRule rule);
    void replace(std::vector<FailureRule> rules);

    // The first rule whose prefix starts `path` (or is `path`, for an exact rule), counted as given; the demo's own
    // control addresses ("/_demo/") never fail. The site's own kinds of pushing back (429, 404, 403, the browser
    // check) apply only `onSite`.
    [[nodiscard]] FailureRule ruleFor(std::string_view path, bool onSite);

    // A wait of its own for one exact path (its query aside), on top of the general latency: pages that answer at
    // different speeds, so that parallel fetches finish out of order. 0 ms removes it. "PATH=MS" on the command line.
    [[nodiscard]] static std::optional<std::pair<std::string, std::chrono::milliseconds>>
    parseDelay(std::string_view text);
    void setDelay(std::string path, std::chrono::milliseconds delay);
    [[nodiscard]] std::chrono::milliseconds delayFor(std::string_view path) const;

private:
    mutable std::mutex m_mutex;
    std::vector<FailureRule> m_rules;
    std::vector<std::pair<std::string, std::chrono::milliseconds>> m_delays;
};

} // namespace marrowfin::demo
