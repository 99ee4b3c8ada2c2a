#include "HttpHeaders.h"

namespace marrowfin {

HttpHeaders::HttpHeaders(std::initializer_list<Entry> entries)
{
    for (const auto& [name, value] : entries) {
        add(name, value);
    }
}

void HttpHeaders::add(const QString& name, const QString& value)
{
    const qsizetype index = indexOf(name);
    if (index < 0) {
        m_entries.append({name, value});
        return;
    }
    QString& combined = m_entries[index].second;
    combined += QLatin1String(", ");
    combined += value;
}

std::optional<QString> HttpHeaders::value(QStringView name) const
{
    const qsizetype index = indexOf(name);
    if (index < 0) {
        return std::nullopt;
    }
    return m_entries.at(index).second;
}

qsizetype HttpHeaders::indexOf(QStringView name) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (name.compare(m_entries.at(i).first, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

} // namespace marrowfin
