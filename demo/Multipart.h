#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marrowfin::demo {

struct MultipartPart
{
    std::string name;                    // the Content-Disposition "name" parameter
    std::optional<std::string> filename; // absent when the disposition has no filename parameter
    std::string contentType;             // empty when the part has none
    std::string body;                    // bytes as sent
};

// A multipart/form-data body (RFC 7578 over RFC 2046), binary-safe. The body must open with a delimiter (a
// preamble before it is allowed), every part must have a form-data disposition with a name, and the body must end
// with the closing delimiter. A part's content ends only at CRLF "--" boundary, so content may hold the boundary
// text itself or lone CRLFs.
class MultipartParser final
{
public:
    struct Result
    {
        std::vector<MultipartPart> parts;
        std::string error; // empty on success
    };

    [[nodiscard]] static Result parse(std::string_view body, std::string_view boundary);

    // The boundary from a Content-Type header: the text after "boundary=", unquoted; nothing for a
    // Content-Type that is not multipart/form-data.
    [[nodiscard]] static std::optional<std::string> boundaryOf(std::string_view contentType);
};

} // namespace marrowfin::demo
