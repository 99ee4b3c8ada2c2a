#pragma once

#include <QString>

#include <mutex>
#include <optional>

namespace marrowfin {

// The user the run is signed in as. One record for the whole run (sharedInstance), made on first use and never
// freed, so that a worker still writing at exit never meets a destroyed record. Every accessor takes the record's
// lock: a screen on the main thread reads while a sign-in operation on a worker writes.
class UserInfo final
{
public:
    [[nodiscard]] static UserInfo& sharedInstance();

    UserInfo(const UserInfo&) = delete;
    UserInfo& operator=(const UserInfo&) = delete;

    // The numeric site id as text.
    [[nodiscard]] std::optional<QString> ids() const;
    void setIds(std::optional<QString> ids);
    // The nickname, or "Anonymous".
    [[nodiscard]] std::optional<QString> username() const;
    void setUsername(std::optional<QString> username);
    // The header's figures and the categories text: kept for the header, filled by nothing yet.
    [[nodiscard]] std::optional<QString> downloaded() const;
    void setDownloaded(std::optional<QString> downloaded);
    [[nodiscard]] std::optional<QString> uploaded() const;
    void setUploaded(std::optional<QString> uploaded);
    [[nodiscard]] std::optional<QString> ratio() const;
    void setRatio(std::optional<QString> ratio);
    [[nodiscard]] std::optional<QString> categories() const;
    void setCategories(std::optional<QString> categories);

    // Anonymous use: the user name "Anonymous" and no id, changed together.
    void setAnonymous();

private:
    UserInfo() = default;

    [[nodiscard]] std::optional<QString> read(const std::optional<QString>& field) const;
    void write(std::optional<QString>& field, std::optional<QString> value);

    mutable std::mutex m_mutex;
    std::optional<QString> m_ids;
    std::optional<QString> m_username;
    std::optional<QString> m_downloaded;
    std::optional<QString> m_uploaded;
    std::optional<QString> m_ratio;
    std::optional<QString> m_categories;
};

} // namespace marrowfin
