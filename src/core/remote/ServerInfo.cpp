#include "ServerInfo.h"

#include "RemoteLog.h"

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QUrl>

namespace marrowfin {

ServerInfo& ServerInfo::sharedInstance()
{
    static std::mutex classLock;
    const std::lock_guard lock(classLock);
    static ServerInfo* const instance = new ServerInfo(nullptr);
    instance->rebind(SettingsStore::shared());
    instance->reload();
    return *instance;
}

ServerInfo::ServerInfo(std::shared_ptr<SettingsStore> store) : m_store(std::move(store))
{
    reload();
}

void ServerInfo::rebind(std::shared_ptr<SettingsStore> store)
{
    const std::lock_guard lock(m_mutex);
    m_store = std::move(store);
}

void ServerInfo::reload()
{
    std::shared_ptr<SettingsStore> store;
    {
        const std::lock_guard lock(m_mutex);
        store = m_store;
    }
    if (!store)
        return;
    // Only read: writing the values back, as a writer would, could put an old value over one that another process
    // stored between this read and that write.
    Values loaded;
    loaded.client = store->text(SettingsKeys::serverClient);
    loaded.address = store->text(SettingsKeys::serverAddress);
    loaded.port = store->text(SettingsKeys::serverPort);
    loaded.username = store->text(SettingsKeys::serverUser);
    loaded.password = store->text(SettingsKeys::serverPassword);
    const std::lock_guard lock(m_mutex);
    m_values = std::move(loaded);
}

std::optional<QString> ServerInfo::read(std::optional<QString> Values::*field) const
{
    const std::lock_guard lock(m_mutex);
    return m_values.*field;
}

std::optional<QString> ServerInfo::username() const
{
    return read(&Values::username);
}

std::optional<QString> ServerInfo::password() const
{
    return read(&Values::password);
}

std::optional<QString> ServerInfo::address() const
{
    return read(&Values::address);
}

std::optional<QString> ServerInfo::port() const
{
    return read(&Values::port);
}

std::optional<QString> ServerInfo::client() const
{
    return read(&Values::client);
}

ServerInfo::Values ServerInfo::values() const
{
    const std::lock_guard lock(m_mutex);
    return m_values;
}

bool ServerInfo::write(std::optional<QString> Values::*field, QStringView key, std::optional<QString> value)
{
    std::shared_ptr<SettingsStore> store;
    {
        const std::lock_guard lock(m_mutex);
        m_values.*field = value;
        store = m_store;
    }
    if (!store)
        return true;
    // Compared with the store rather than with this instance, which may be older than another process's write.
    if (store->text(key) == value)
        return true;
    const bool written = value ? store->setText(key, *value) : store->remove(key);
    if (!written) {
        qCWarning(lcRemote) << "the remote client setting" << key << "could not be written";
        // What is in force is what is on disk.
        const std::optional<QString> stored = store->text(key);
        const std::lock_guard lock(m_mutex);
        m_values.*field = stored;
    }
    return written;
}

bool ServerInfo::setUsername(std::optional<QString> value)
{
    return write(&Values::username, SettingsKeys::serverUser, std::move(value));
}

bool ServerInfo::setPassword(std::optional<QString> value)
{
    return write(&Values::password, SettingsKeys::serverPassword, std::move(value));
}

bool ServerInfo::setAddress(std::optional<QString> value)
{
    return write(&Values::address, SettingsKeys::serverAddress, std::move(value));
}

bool ServerInfo::setPort(std::optional<QString> value)
{
    return write(&Values::port, SettingsKeys::serverPort, std::move(value));
}

bool ServerInfo::setClient(std::optional<QString> value)
{
    return write(&Values::client, SettingsKeys::serverClient, std::move(value));
}

std::optional<QString> ServerInfo::addressProblem(const QString& address)
{
    if (address.trimmed().isEmpty()) {
        return QStringLiteral("no address is set for the remote client");
    }
    // The adapters make "http://<address>:<port>/...": only a host name, an IPv4 address or a bracketed IPv6 one
    // comes out of that as the host it is meant to be.
    const QUrl url(QStringLiteral("http://") + address + QStringLiteral(":1/"));
    const bool host = url.isValid() && !url.host().isEmpty() && url.userInfo().isEmpty() && url.path() == u"/" &&
                      !address.contains(u'/') && !address.contains(u'?') && !address.contains(u'#') &&
                      !address.contains(u'@') && !address.contains(u' ');
    if (host) {
        return std::nullopt;
    }
    return QStringLiteral("\"%1\" is not a host name or address: type the host alone, such as 192.168.1.10 or "
                          "mypc.local, and the port separately")
        .arg(address);
}

} // namespace marrowfin
