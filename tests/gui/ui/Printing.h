#pragma once

#include "support/QtTestSupport.h"

#include <QColor>
#include <QSize>
#include <QString>

#include <ostream>

// Readable failure messages for the Qt values the tests compare. Qt's types live in the global namespace, so
// GoogleTest finds these there.
inline void PrintTo(const QSize& size, std::ostream* out)
{
    *out << "QSize(" << size.width() << "x" << size.height() << ")";
}

inline void PrintTo(const QColor& colour, std::ostream* out)
{
    *out << "QColor(" << colour.red() << ", " << colour.green() << ", " << colour.blue() << ", " << colour.alpha()
         << ")";
}
