#include "RegexCache.h"

#include "RegexException.h"
#include "RegexProblem.h"

#include <QHash>

#include <limits>
#include <vector>

namespace marrowfin {

namespace {

std::atomic<quint64> g_generation{0};
std::atomic<int32_t> g_timeLimit{RegexCache::kDefaultMatchTimeLimit};

// ICU keeps a pointer to the text it was given; when a slot lets go of its subject it points the matcher here
// so that nothing dangles.
const UChar kEmptyText[1] = {0};

const UChar* utf16(const QString& text)
{
    static_assert(sizeof(QChar) == sizeof(UChar));
    // constData(), not utf16(): utf16() re-allocates a string that shares static data (every QStringLiteral) to
    // add a terminator, which writes to a QString other threads read at the same time. ICU gets the length, so
    // it needs no terminator.
    return reinterpret_cast<const UChar*>(text.constData());
}

} // namespace

RegexCache::~RegexCache()
{
    flush();
}

RegexCache& RegexCache::forCurrentThread()
{
    thread_local RegexCache cache;
    cache.flushIfStale();
    return cache;
}

void RegexCache::flushAll()
{
    g_generation.fetch_add(1, std::memory_order_acq_rel);
}

void RegexCache::setMatchTimeLimit(int32_t limit) noexcept
{
    g_timeLimit.store(limit, std::memory_order_relaxed);
}

int32_t RegexCache::matchTimeLimit() noexcept
{
    return g_timeLimit.load(std::memory_order_relaxed);
}

void RegexCache::flushIfStale()
{
    const quint64 generation = g_generation.load(std::memory_order_acquire);
    if (generation != m_generation) {
        flush();
        m_generation = generation;
    }
}

void RegexCache::flush()
{
    for (Slot& slot : m_slots) {
        if (slot.compiled)
            uregex_close(slot.compiled);
        slot = Slot{};
    }
    m_lastUsed = nullptr;
}

RegexCache::Slot& RegexCache::acquire(const QString& pattern)
{
    Slot* slot = m_lastUsed;
    const auto holds = [&pattern](const Slot* s) {
        return s && s->compiled &&
               ((s->pattern.constData() == pattern.constData() && s->pattern.size() == pattern.size()) ||
                s->pattern == pattern);
    };
    if (!holds(slot)) {
        slot = &m_slots[qHash(pattern) % kSlotCount];
        if (!holds(slot)) {
            if (pattern.size() > std::numeric_limits<int32_t>::max())
                throw RegexException(RegexException::Kind::InvalidArgument,
                                     QStringLiteral("String length exceeds INT_MAX."));
            UParseError parseError{};
            UErrorCode status = U_ZERO_ERROR;
            URegularExpression* compiled =
                uregex_open(utf16(pattern), static_cast<int32_t>(pattern.size()), 0, &parseError, &status);
            if (U_FAILURE(status)) {
                if (compiled)
                    uregex_close(compiled);
                throw compileFailure(pattern, int(status), parseError.line, parseError.offset);
            }
            if (slot->compiled)
                uregex_close(slot->compiled);
            UErrorCode groupStatus = U_ZERO_ERROR;
            *slot =
                Slot{pattern, compiled, uregex_groupCount(compiled, &groupStatus), QString(), slot->compileCount + 1};
            ++m_compilations;
        }
    }
    m_lastUsed = slot;
    UErrorCode status = U_ZERO_ERROR;
    uregex_setTimeLimit(slot->compiled, matchTimeLimit(), &status);
    return *slot;
}

void RegexCache::setSubject(Slot& slot, const QString& subject)
{
    UErrorCode status = U_ZERO_ERROR;
    // A slot compiled just now has no text yet (its subject is null), even when an empty subject shares the
    // empty string's data with it.
    if (!slot.subject.isNull() && slot.subject.constData() == subject.constData() &&
        slot.subject.size() == subject.size()) {
        uregex_reset(slot.compiled, 0, &status);
        return;
    }
    slot.subject = subject;
    if (subject.isEmpty())
        uregex_setText(slot.compiled, kEmptyText, 0, &status);
    else
        uregex_setText(slot.compiled, utf16(slot.subject), static_cast<int32_t>(slot.subject.size()), &status);
}

} // namespace marrowfin
