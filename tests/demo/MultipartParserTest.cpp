#include "Multipart.h"

#include <gtest/gtest.h>

using marrowfin::demo::MultipartParser;

const std::string kBoundary = "----b0undary";

// Content is binary and ends only at CRLF "--" boundary: the boundary text inside a line, lone CRLFs, NUL bytes
// and a CRLF "--" followed by other text all stay content. A preamble is skipped and the epilogue ignored.
TEST(MultipartParser, KeepsBinaryContentFindsEveryPartAndRefusesMalformedBodies)
{
    static const char raw[] = "a\0b\r\n--other\r\nx------b0undary y\r\n";
    const std::string tricky(raw, sizeof raw - 1);
    const std::string body =
        "preamble\r\n--" + kBoundary +
        "\r\nContent-Disposition: form-data; name=\"upfile_1\"; filename=\"\"\r\n\r\n\r\n--" + kBoundary +
        "  \r\nContent-Disposition: form-data; name=\"f\"; filename=\"a \\\"b\\\";c.torrent\"\r\n"
        "Content-Type: application/x-bittorrent\r\n\r\n" +
        tricky + "\r\n--" + kBoundary + "\r\ncontent-disposition: form-data; name=plain\r\n\r\nvalue\r\n--" +
        kBoundary + "--\r\nepilogue --" + kBoundary + "\r\n";
    const auto result = MultipartParser::parse(body, kBoundary);
    ASSERT_EQ(result.error, "");
    std::vector<std::string> parts; // name, filename ("-" when there is none), content type and body
    for (const auto& part : result.parts) {
        parts.push_back(part.name + "|" + part.filename.value_or("-") + "|" + part.contentType + "|" + part.body);
    }
    EXPECT_EQ(parts, (std::vector<std::string>{"upfile_1|||", "f|a \"b\";c.torrent|application/x-bittorrent|" + tricky,
                                               "plain|-||value"}));

    // Malformed bodies are refused, each for its own fault.
    const std::string part = "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"x\"\r\n\r\nv";
    const std::pair<std::string, std::string> cases[] = {
        {part, "no closing delimiter"},
        {part + "\r\n--" + kBoundary, "delimiter without -- or CRLF"},
        {"--" + kBoundary + "\r\nContent-Type: text/plain\r\n\r\nv\r\n--" + kBoundary + "--", "no disposition"},
        {"--" + kBoundary + "\r\nContent-Disposition: attachment; name=\"x\"\r\n\r\nv\r\n--" + kBoundary + "--",
         "not form-data"},
        {"--" + kBoundary + "\r\nContent-Disposition: form-data; filename=\"x\"\r\n\r\nv\r\n--" + kBoundary + "--",
         "no name"},
        {"--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"x\r\n\r\nv\r\n--" + kBoundary + "--",
         "unterminated quote"},
        {"no delimiter at all", "no opening delimiter"},
        {"--other\r\nContent-Disposition: form-data; name=\"x\"\r\n\r\nv\r\n--other--", "another boundary"},
    };
    for (const auto& [body, what] : cases)
        EXPECT_NE(MultipartParser::parse(body, kBoundary).error, "") << what;
    EXPECT_EQ(MultipartParser::parse(part + "\r\n--" + kBoundary + "--", kBoundary).error, "");
}
