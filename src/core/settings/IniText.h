#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <map>

namespace marrowfin {

// The text of an INI file that QSettings (IniFormat) reads back as the values given: the settings store and the
// window's place are read through QSettings, as they always were, but written through ProfileFile, whose every step
// is checked. Kinds kept: texts, lists of texts (an empty list reads back as none, a one-entry list as its text, as
// QSettings itself writes them), numbers (read back as their digits) and byte arrays; anything else is written as its
// text. A text with a comma, a semicolon, "=", "#" or outer spaces is quoted, so that it stays what it is.
//
// Keys are "name" or "group/name"; top-level keys go under [General], as QSettings puts them.
[[nodiscard]] QByteArray iniText(const std::map<QString, QVariant>& values);

} // namespace marrowfin
