#pragma once

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
};

struct FailureRule
{
    FailureMode mode = FailureMode::None;
    std::string pathPrefix; // empty: every path
};

// Injected failures, shared by the site and both client simulators. Set from the command line and changed at run
// time through the site's control address, so it is read and written under one lock from the io threads.
class FailurePlan final
{
public:
    // "drop", "500" or "slow", optionally followed by ":" and a path prefix ("500:/usearch/").
    [[nodiscard]] static std::optional<FailureRule> parse(std::string_view text);
    [[nodiscard]] static std::optional<FailureMode> parseMode(std::string_view text);

    void add(FailureRule rule);
    void replace(std::vector<FailureRule> rules);

    // The first rule whose prefix starts `path`; the demo's own control addresses ("/_demo/") never fail.
    [[nodiscard]] FailureMode modeFor(std::string_view path) const;

private:
    mutable std::mutex m_mutex;
    std::vector<FailureRule> m_rules;
};

} // namespace marrowfin::demo
