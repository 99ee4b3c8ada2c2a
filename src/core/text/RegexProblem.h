#pragma once

#include "RegexException.h"

#include <QString>
#include <QStringView>

namespace marrowfin {

// The exception for an expression ICU did not compile: ICU's code and name as the reason ("ICU regular expression
// error #66310, U_REGEX_MISMATCHED_PAREN."), and the place where compiling stopped, taken from ICU's parse error
// (a line from 1, and the characters read on that line).
[[nodiscard]] RegexException compileFailure(QStringView pattern, int icuCode, int line, int offset);

// Why an expression cannot be used, in plain words for the person who typed it, with the place when there is one:
// "a [ is not closed, at character 7". `typed` is the part of the compiled expression that was typed, beginning at
// `typedStart` in it (a favorite filter is compiled inside ".*(" and ").*"); places count its characters from 1.
// An expression left open at its end is told by what leaves it open: the unclosed "(" or "[", a "\Q" without its
// "\E", a "\" with nothing after it.
[[nodiscard]] QString regexProblemText(const RegexException& error, QStringView typed, qsizetype typedStart = 0);

} // namespace marrowfin
