#include "Multipart.h"

#include "HttpText.h"

namespace marrowfin::demo {

namespace {

constexpr std::size_t kMaxBoundary = 70;
constexpr std::size_t kMaxHeaderBytes = 8192;

// After a delimiter's boundary: transport padding (blanks) and then either CRLF (another part) or "--" (the end).
std::size_t skipPadding(std::string_view body, std::size_t at)
{
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t'))
        ++at;
    return at;
}

// Parses `name="value"` and `name=value` parameters of a Content-Disposition value.
std::optional<std::string> dispositionParameter(std::string_view value, std::string_view wanted)
{
    std::size_t at = value.find(';');
    while (at != std::string_view::npos && at < value.size()) {
        ++at;
        while (at < value.size() && (value[at] == ' ' || value[at] == '\t'))
            ++at;
        const auto eq = value.find('=', at);
        if (eq == std::string_view::npos)
            return std::nullopt;
        std::string name = lowerAscii(value.substr(at, eq - at));
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.pop_back();
        std::string parameter;
        at = eq + 1;
        if (at < value.size() && value[at] == '"') {
            ++at;
            while (at < value.size() && value[at] != '"') {
                if (value[at] == '\\' && at + 1 < value.size())
                    ++at;
                parameter += value[at++];
            }
            if (at >= value.size())
                return std::nullopt; // an unterminated quoted string
            ++at;
            at = value.find(';', at);
        } else {
            const auto end = value.find(';', at);
            parameter = std::string(value.substr(at, end == std::string_view::npos ? end : end - at));
            while (!parameter.empty() && (parameter.back() == ' ' || parameter.back() == '\t'))
                parameter.pop_back();
            at = end;
        }
        if (name == wanted)
            return parameter;
    }
    return std::nullopt;
}

bool parseHeaders(std::string_view block, MultipartPart& part, std::string& error)
{
    bool disposition = false;
    while (!block.empty()) {
        const auto end = block.find("\r\n");
        const std::string_view line = block.substr(0, end);
        block = end == std::string_view::npos ? std::string_view() : block.substr(end + 2);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            error = "malformed part header";
            return false;
        }
        const std::string name = lowerAscii(line.substr(0, colon));
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        if (name == "content-disposition") {
            if (lowerAscii(value.substr(0, 9)) != "form-data") {
                error = "part is not form-data";
                return false;
            }
            const auto fieldName = dispositionParameter(value, "name");
            if (!fieldName) {
                error = "part without a name";
                return false;
            }
            part.name = *fieldName;
            part.filename = dispositionParameter(value, "filename");
            disposition = true;
        } else if (name == "content-type") {
            part.contentType = std::string(value);
        }
    }
    if (!disposition)
        error = "part without Content-Disposition";
    return disposition;
}

} // namespace

std::optional<std::string> MultipartParser::boundaryOf(std::string_view contentType)
{
    if (lowerAscii(contentType.substr(0, 19)) != "multipart/form-data")
        return std::nullopt;
    auto boundary = headerParameter(contentType, "boundary");
    if (!boundary || boundary->empty() || boundary->size() > kMaxBoundary)
        return std::nullopt;
    return boundary;
}

MultipartParser::Result MultipartParser::parse(std::string_view body, std::string_view boundary)
{
    Result result;
    if (boundary.empty() || boundary.size() > kMaxBoundary) {
        result.error = "bad boundary";
        return result;
    }
    const std::string dashBoundary = "--" + std::string(boundary);
    const std::string delimiter = "\r\n" + dashBoundary;

    // The first delimiter may stand at the very start or after a preamble that ends in CRLF.
    std::size_t at;
    if (body.starts_with(dashBoundary)) {
        at = dashBoundary.size();
    } else {
        const auto found = body.find(delimiter);
        if (found == std::string_view::npos) {
            result.error = "no opening delimiter";
            return result;
        }
        at = found + delimiter.size();
    }

    for (;;) {
        at = skipPadding(body, at);
        if (body.substr(at, 2) == "--")
            return result; // the closing delimiter; what follows is epilogue
        if (body.substr(at, 2) != "\r\n") {
            result.error = "malformed delimiter line";
            return result;
        }
        at += 2;
        MultipartPart part;
        const auto headersEnd = body.find("\r\n\r\n", at);
        // A part may have no headers at all, in which case its header block is the empty line itself.
        std::string_view headers;
        std::size_t contentStart;
        if (body.substr(at, 2) == "\r\n") {
            contentStart = at + 2;
        } else if (headersEnd == std::string_view::npos || headersEnd - at > kMaxHeaderBytes) {
            result.error = "unterminated part headers";
            return result;
        } else {
            headers = body.substr(at, headersEnd - at);
            contentStart = headersEnd + 4;
        }
        if (!parseHeaders(headers, part, result.error))
            return result;
        const auto contentEnd = body.find(delimiter, contentStart);
        if (contentEnd == std::string_view::npos) {
            result.error = "no closing delimiter";
            return result;
        }
        part.body = std::string(body.substr(contentStart, contentEnd - contentStart));
        result.parts.push_back(std::move(part));
        at = contentEnd + delimiter.size();
    }
}

} // namespace marrowfin::demo
