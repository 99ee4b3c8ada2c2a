#pragma once

#include <QString>

#include <ostream>

// Readable failure messages: GoogleTest finds this by argument-dependent lookup.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
