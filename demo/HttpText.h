#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// Text helpers of the demo's HTTP handling. Stateless; safe on any thread.
namespace marrowfin::demo {

// "%XX" escapes turned into their bytes; "+" stays a plus unless `plusIsSpace` (form bodies).
[[nodiscard]] std::string percentDecode(std::string_view text, bool plusIsSpace = false);

// Every byte outside ASCII letters, digits and "-._~/" as "%XX"; used to build addresses in pages.
[[nodiscard]] std::string percentEncodePath(std::string_view text);

struct Target
{
    std::string path;  // still percent-escaped, as sent
    std::string query; // without the "?"
};
[[nodiscard]] Target splitTarget(std::string_view target);

// "a=1&b=2" (a query or an x-www-form-urlencoded body) into decoded pairs; a repeated name keeps its first value.
[[nodiscard]] std::map<std::string, std::string> parseForm(std::string_view text);

// The value of cookie `name` in a Cookie header, if present.
[[nodiscard]] std::optional<std::string> cookieValue(std::string_view cookieHeader, std::string_view name);

// "Basic base64(user:password)" into its two halves.
struct BasicCredentials
{
    std::string user;
    std::string password;
};
[[nodiscard]] std::optional<BasicCredentials> parseBasicAuthorization(std::string_view header);

// Text for HTML content and attribute values: & < > " ' escaped.
[[nodiscard]] std::string htmlEscape(std::string_view text);

[[nodiscard]] std::string lowerAscii(std::string_view text);

// A parameter of a header such as Content-Type: `boundary` of "multipart/form-data; boundary=xyz".
[[nodiscard]] std::optional<std::string> headerParameter(std::string_view header, std::string_view name);

// Constant-time comparison for secrets, so a wrong password's answer time says nothing about its prefix.
[[nodiscard]] bool secretsEqual(std::string_view a, std::string_view b);

} // namespace marrowfin::demo
