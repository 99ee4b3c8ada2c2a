#include "UserInfo.h"

#include "PagePatterns.h"

namespace marrowfin {

UserInfo& UserInfo::sharedInstance()
{
    static UserInfo* const instance = new UserInfo();
    return *instance;
}

std::optional<QString> UserInfo::read(const std::optional<QString>& field) const
{
    const std::lock_guard lock(m_mutex);
    return field;
}

void UserInfo::write(std::optional<QString>& field, std::optional<QString> value)
{
    // The old text is released after the lock, outside the critical section.
    const std::lock_guard lock(m_mutex);
    field.swap(value);
}

std::optional<QString> UserInfo::ids() const
{
    return read(m_ids);
}
void UserInfo::setIds(std::optional<QString> ids)
{
    write(m_ids, std::move(ids));
}
std::optional<QString> UserInfo::username() const
{
    return read(m_username);
}
void UserInfo::setUsername(std::optional<QString> username)
{
    write(m_username, std::move(username));
}
std::optional<QString> UserInfo::downloaded() const
{
    return read(m_downloaded);
}
void UserInfo::setDownloaded(std::optional<QString> downloaded)
{
    write(m_downloaded, std::move(downloaded));
}
std::optional<QString> UserInfo::uploaded() const
{
    return read(m_uploaded);
}
void UserInfo::setUploaded(std::optional<QString> uploaded)
{
    write(m_uploaded, std::move(uploaded));
}
std::optional<QString> UserInfo::ratio() const
{
    return read(m_ratio);
}
void UserInfo::setRatio(std::optional<QString> ratio)
{
    write(m_ratio, std::move(ratio));
}
std::optional<QString> UserInfo::categories() const
{
    return read(m_categories);
}
void UserInfo::setCategories(std::optional<QString> categories)
{
    write(m_categories, std::move(categories));
}

void UserInfo::setAnonymous()
{
    const std::lock_guard lock(m_mutex);
    m_username = anonymousUserName();
    m_ids.reset();
}

} // namespace marrowfin
