#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <initializer_list>
#include <optional>
#include <utility>

namespace marrowfin {

// Header fields in the order they were first added. Names match without regard to case; a name added again does
// not make a second field: its value is appended to the first one's after a comma (", "), which is how HTTP allows
// repeated fields to be combined. Used for the headers a request adds and for the fields of a response.
class HttpHeaders final
{
public:
    using Entry = std::pair<QString, QString>;

    HttpHeaders() = default;
    HttpHeaders(std::initializer_list<Entry> entries);

    void add(const QString& name, const QString& value);

    // The (combined) value of a field, by name in any case; absent when no such field was added.
    [[nodiscard]] std::optional<QString> value(QStringView name) const;
    [[nodiscard]] bool contains(QStringView name) const { return indexOf(name) >= 0; }
    [[nodiscard]] const QList<Entry>& entries() const { return m_entries; }
    [[nodiscard]] qsizetype size() const { return m_entries.size(); }
    [[nodiscard]] bool isEmpty() const { return m_entries.isEmpty(); }

    friend bool operator==(const HttpHeaders&, const HttpHeaders&) = default;

private:
    [[nodiscard]] qsizetype indexOf(QStringView name) const;

    QList<Entry> m_entries;
};

} // namespace marrowfin
