#pragma once

#include <QString>

#include <ostream>

// Lets GoogleTest show texts as text in failure messages; found by argument-dependent lookup.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
