#pragma once

#include <QString>

#include <unicode/uregex.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace marrowfin {

// Compiled expressions of one thread: 23 slots chosen by the expression's hash, no chaining (a different
// expression landing on a taken slot closes the old one), plus the slot that served the previous call.
//
// Each thread has its own cache (forCurrentThread), because an ICU matcher serves one thread at a time and a
// shared lock held for a whole page scan would serialise every worker. flushAll() empties every thread's cache
// (each thread drops its slots before its next use); tests and memory pressure use it.
class RegexCache final
{
public:
    static constexpr int kSlotCount = 23;

    struct Slot
    {
        QString pattern; // the expression as given (shares the caller's data: no deep copy)
        URegularExpression* compiled = nullptr;
        int groupCount = 0;
        QString subject;          // the text the matcher is set to; holding it keeps ICU's pointer valid
        quint64 compileCount = 0; // how often this slot compiled; tests read it
    };

    RegexCache() = default;
    ~RegexCache();
    RegexCache(const RegexCache&) = delete;
    RegexCache& operator=(const RegexCache&) = delete;

    [[nodiscard]] static RegexCache& forCurrentThread();
    static void flushAll();

    // The ready slot for `pattern`, compiled on a miss. Throws RegexException when it does not compile.
    [[nodiscard]] Slot& acquire(const QString& pattern);
    // Points the slot's matcher at `subject` (UTF-16 shared with the QString, no conversion), skipping the
    // call when the slot already holds this very text.
    static void setSubject(Slot& slot, const QString& subject);

    // Total compilations made by this thread's cache since it was created.
    [[nodiscard]] quint64 compilations() const noexcept { return m_compilations; }

    // The matching budget of one match, in ICU's time-limit units (ten thousand engine steps each; the default
    // ends a runaway match in well under a second on this class of machine).
    static void setMatchTimeLimit(int32_t limit) noexcept;
    [[nodiscard]] static int32_t matchTimeLimit() noexcept;
    static constexpr int32_t kDefaultMatchTimeLimit = 4000;

private:
    void flush();
    void flushIfStale();

    std::array<Slot, kSlotCount> m_slots{};
    Slot* m_lastUsed = nullptr;
    quint64 m_generation = 0;
    quint64 m_compilations = 0;
};

} // namespace marrowfin
