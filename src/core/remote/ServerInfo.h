#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <mutex>
#include <optional>

namespace marrowfin {

class SettingsStore;

// The remote client settings, a view of the settings store: user name, password (plain text, as the store keeps
// it), address, port and client name, each possibly missing. Readers treat missing like empty.
//
// Threads: any. The fields are read and written under the instance's lock; the store does its own locking.
class ServerInfo final
{
public:
    // The fields at one moment, for an operation that uses them together.
    struct Values
    {
        std::optional<QString> username;
        std::optional<QString> password;
        std::optional<QString> address;
        std::optional<QString> port;
        std::optional<QString> client;
    };

    // The one instance, made on first use and never freed. Every call (under a lock on the class) binds it to
    // SettingsStore::shared() as it is then and reloads the five fields from that store, so the store stays the
    // source of truth and values written by another process are seen.
    [[nodiscard]] static ServerInfo& sharedInstance();

    // An instance over `store` (none: fields live in memory only), loaded at once. For tests and tools that open
    // a store of their own.
    explicit ServerInfo(std::shared_ptr<SettingsStore> store);
    ServerInfo(const ServerInfo&) = delete;
    ServerInfo& operator=(const ServerInfo&) = delete;

    // Takes the five fields from the store; nothing is written.
    void reload();

    [[nodiscard]] std::optional<QString> username() const;
    [[nodiscard]] std::optional<QString> password() const;
    [[nodiscard]] std::optional<QString> address() const;
    [[nodiscard]] std::optional<QString> port() const;
    [[nodiscard]] std::optional<QString> client() const;
    [[nodiscard]] Values values() const;

    // Each takes the value and, when it differs from what the store holds, writes it under its key (a missing value
    // removes the key), flushed before returning. False when the write failed.
    bool setUsername(std::optional<QString> value);
    bool setPassword(std::optional<QString> value);
    bool setAddress(std::optional<QString> value);
    bool setPort(std::optional<QString> value);
    bool setClient(std::optional<QString> value);

    // Why `address` cannot be the client's address (empty, or more than a host name or IP address: a scheme, a
    // port, a path, a user part), in words that say what to type; absent for a host.
    [[nodiscard]] static std::optional<QString> addressProblem(const QString& address);

private:
    void rebind(std::shared_ptr<SettingsStore> store);
    bool write(std::optional<QString> Values::*field, QStringView key, std::optional<QString> value);
    [[nodiscard]] std::optional<QString> read(std::optional<QString> Values::*field) const;

    mutable std::mutex m_mutex;
    std::shared_ptr<SettingsStore> m_store;
    Values m_values;
};

} // namespace marrowfin
