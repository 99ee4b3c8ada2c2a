#include "FailurePlan.h"

namespace marrowfin::demo {

std::optional<FailureMode> FailurePlan::parseMode(std::string_view text)
{
    if (text == "drop")
        return FailureMode::Drop;
    if (text == "500")
        return FailureMode::ServerError;
    if (text == "slow")
        return FailureMode::Slow;
    if (text == "off" || text == "none")
        return FailureMode::None;
    return std::nullopt;
}

std::optional<FailureRule> FailurePlan::parse(std::string_view text)
{
    const auto colon = text.find(':');
    const auto mode = parseMode(text.substr(0, colon));
    if (!mode || *mode == FailureMode::None)
        return std::nullopt;
    FailureRule rule{*mode, {}};
    if (colon != std::string_view::npos) {
        rule.pathPrefix = std::string(text.substr(colon + 1));
        if (rule.pathPrefix.empty() || rule.pathPrefix.front() != '/')
            return std::nullopt;
    }
    return rule;
}

void FailurePlan::add(FailureRule rule)
{
    const std::lock_guard lock(m_mutex);
    m_rules.push_back(std::move(rule));
}

void FailurePlan::replace(std::vector<FailureRule> rules)
{
    const std::lock_guard lock(m_mutex);
    m_rules = std::move(rules);
}

FailureMode FailurePlan::modeFor(std::string_view path) const
{
    if (path.starts_with("/_demo/"))
        return FailureMode::None;
    const std::lock_guard lock(m_mutex);
    for (const FailureRule& rule : m_rules) {
        if (path.starts_with(rule.pathPrefix))
            return rule.mode;
    }
    return FailureMode::None;
}

} // namespace marrowfin::demo
