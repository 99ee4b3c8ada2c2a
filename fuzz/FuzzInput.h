#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares: the input as Qt sees it, a split of one input into two texts, and a check that
// stops the run with a message when a property does not hold.
namespace marrowfin::fuzz {

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QString textOf(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The input cut at its first NUL byte: what comes before it and what comes after (empty when there is none).
inline std::pair<QByteArray, QByteArray> splitAtNul(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul < 0) {
        return {bytes, QByteArray()};
    }
    return {bytes.first(nul), bytes.sliced(nul + 1)};
}

[[noreturn]] inline void fail(const char* property)
{
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

#define MARROWFIN_FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            ::marrowfin::fuzz::fail(#condition);                                                                       \
        }                                                                                                              \
    } while (false)

} // namespace marrowfin::fuzz
