#include "PngImage.h"

#include <QByteArray>

#include <boost/crc.hpp>

#include <algorithm>

namespace marrowfin::demo {

namespace {

// Rows of each digit, the five low bits a row from left (bit 4) to right (bit 0).
constexpr std::uint8_t kFont[10][7] = {
    {14, 17, 19, 21, 25, 17, 14}, {4, 12, 4, 4, 4, 4, 14},    {14, 17, 1, 2, 4, 8, 31},   {31, 2, 4, 2, 1, 17, 14},
    {2, 6, 10, 18, 31, 2, 2},     {31, 16, 30, 1, 1, 17, 14}, {6, 8, 16, 30, 17, 17, 14}, {31, 1, 2, 4, 8, 8, 8},
    {14, 17, 17, 14, 17, 17, 14}, {14, 17, 17, 15, 1, 2, 12}};

void putBigEndian(std::string& out, std::uint32_t value)
{
    out += char((value >> 24) & 0xFF);
    out += char((value >> 16) & 0xFF);
    out += char((value >> 8) & 0xFF);
    out += char(value & 0xFF);
}

void putChunk(std::string& out, const char type[4], const std::string& data)
{
    putBigEndian(out, std::uint32_t(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    boost::crc_32_type crc;
    crc.process_bytes(typed.data(), typed.size());
    putBigEndian(out, crc.checksum());
}

} // namespace

PngImage::PngImage(int width, int height, std::uint8_t background)
    : m_width(width), m_height(height), m_pixels(std::size_t(width * height), background)
{}

void PngImage::fill(int x, int y, int width, int height, std::uint8_t grey)
{
    for (int row = std::max(0, y); row < std::min(m_height, y + height); ++row) {
        for (int column = std::max(0, x); column < std::min(m_width, x + width); ++column)
            m_pixels[std::size_t(row * m_width + column)] = grey;
    }
}

void PngImage::drawDigits(int x, int y, const std::string& digits, int scale, std::uint8_t grey)
{
    for (const char digit : digits) {
        if (digit >= '0' && digit <= '9') {
            for (int row = 0; row < 7; ++row) {
                for (int column = 0; column < 5; ++column) {
                    if ((kFont[digit - '0'][row] >> (4 - column)) & 1)
                        fill(x + column * scale, y + row * scale, scale, scale, grey);
                }
            }
        }
        x += 6 * scale;
    }
}

std::string PngImage::encode() const
{
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    putBigEndian(header, std::uint32_t(m_width));
    putBigEndian(header, std::uint32_t(m_height));
    header += char(8); // bit depth
    header += char(0); // grey
    header += std::string(3, '\0');
    putChunk(png, "IHDR", header);

    QByteArray raw;
    raw.reserve(qsizetype((m_width + 1) * m_height));
    for (int row = 0; row < m_height; ++row) {
        raw.append('\0'); // filter: none
        raw.append(reinterpret_cast<const char*>(&m_pixels[std::size_t(row * m_width)]), m_width);
    }
    // qCompress gives a zlib stream behind a four-byte length of its own, which PNG does not want.
    const QByteArray zlib = qCompress(raw, 9).mid(4);
    putChunk(png, "IDAT", zlib.toStdString());
    putChunk(png, "IEND", {});
    return png;
}

} // namespace marrowfin::demo
