#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marrowfin::demo {

// An 8-bit grey image encoded as PNG (signature, IHDR, one zlib IDAT, IEND).
class PngImage final
{
public:
    PngImage(int width, int height, std::uint8_t background);

    void fill(int x, int y, int width, int height, std::uint8_t grey);
    // Digits 0-9 in a 5x7 dot font, each dot `scale` pixels square.
    void drawDigits(int x, int y, const std::string& digits, int scale, std::uint8_t grey);

    [[nodiscard]] std::string encode() const;

private:
    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_pixels;
};

} // namespace marrowfin::demo
