#include "FailurePlan.h"

#include <algorithm>
#include <charconv>

namespace marrowfin::demo {

std::optional<FailureMode> FailurePlan::parseMode(std::string_view text)
{
    if (text == "drop")
        return FailureMode::Drop;
    if (text == "500")
        return FailureMode::ServerError;
    if (text == "slow")
        return FailureMode::Slow;
    if (text == "429")
        return FailureMode::RateLimited;
    if (text == "404")
        return FailureMode::NotFound;
    if (text == "403")
        return FailureMode::Blocked;
    if (text == "challenge")
        return FailureMode::Challenge;
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

FailureRule FailurePlan::ruleFor(std::string_view path, bool onSite)
{
    if (path.starts_with("/_demo/"))
        return {};
    const std::lock_guard lock(m_mutex);
    for (auto rule = m_rules.begin(); rule != m_rules.end(); ++rule) {
        const bool sitesOwn = rule->mode == FailureMode::RateLimited || rule->mode == FailureMode::NotFound ||
                              rule->mode == FailureMode::Blocked || rule->mode == FailureMode::Challenge;
        if (sitesOwn && !onSite)
            continue;
        if (rule->exact ? path == rule->pathPrefix : path.starts_with(rule->pathPrefix)) {
            const FailureRule given = *rule;
            if (rule->times > 0 && --rule->times == 0)
                m_rules.erase(rule);
            return given;
        }
    }
    return {};
}

std::optional<std::pair<std::string, std::chrono::milliseconds>> FailurePlan::parseDelay(std::string_view text)
{
    const auto equals = text.rfind('=');
    if (equals == std::string_view::npos || equals == 0 || text.front() != '/')
        return std::nullopt;
    const std::string_view digits = text.substr(equals + 1);
    long long ms = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), ms);
    if (error != std::errc() || end != digits.data() + digits.size() || ms < 0 || ms > 600000)
        return std::nullopt;
    return std::pair{std::string(text.substr(0, equals)), std::chrono::milliseconds(ms)};
}

void FailurePlan::setDelay(std::string path, std::chrono::milliseconds delay)
{
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_delays, [&](const auto& entry) { return entry.first == path; });
    if (delay.count() > 0)
        m_delays.emplace_back(std::move(path), delay);
}

std::chrono::milliseconds FailurePlan::delayFor(std::string_view path) const
{
    const std::lock_guard lock(m_mutex);
    for (const auto& [delayed, delay] : m_delays) {
        if (delayed == path)
            return delay;
    }
    return std::chrono::milliseconds(0);
}

} // namespace marrowfin::demo
