#pragma once

#include <QString>
#include <QStringView>

// How a message shows what a user typed or a page brought (a filter, a torrent's name, a reason): nothing in it may
// drive a terminal, reorder the line or flood it. Stateless; safe on any thread.
namespace marrowfin {

// `value` in double quotes, control characters and the marks that reorder text written as escapes (\x1b, \n,
// \u202e), and cut after kQuotedLength characters with an ellipsis.
[[nodiscard]] QString quotedValue(QStringView value);
inline constexpr qsizetype kQuotedLength = 200;

// `text` with those characters written as escapes; line breaks stay as they are with `keepLineBreaks`.
[[nodiscard]] QString escapedText(QStringView text, bool keepLineBreaks);

// A line of more than `longest` characters cut in its middle, marked with an ellipsis: its end says what went wrong,
// its middle is what a value brought in. Surrogate pairs are not split.
[[nodiscard]] QString shortenedLine(QStringView line, qsizetype longest);

} // namespace marrowfin
