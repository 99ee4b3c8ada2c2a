#include "BitClientRegistry.h"

#include "Deluge.h"
#include "Qbittorrent.h"
#include "Transmission.h"
#include "Utorrent.h"
#include "Vuze.h"

#include <array>

namespace marrowfin {

namespace {

template <typename Adapter>
constexpr BitClientClass entry(QStringView name)
{
    return {name, &Adapter::getIndex, &Adapter::getDefaultPort, &Adapter::getDefaultDescription,
            [](std::shared_ptr<HttpContext> context) -> std::unique_ptr<BitClient> {
                return std::make_unique<Adapter>(std::move(context));
            }};
}

const std::array<BitClientClass, 5> kClasses{
    entry<Vuze>(u"Vuze"),         entry<Transmission>(u"Transmission"),
    entry<Utorrent>(u"Utorrent"), entry<Qbittorrent>(u"Qbittorrent"),
    entry<Deluge>(u"Deluge"),
};

} // namespace

std::span<const BitClientClass> BitClientRegistry::classes()
{
    return kClasses;
}

const BitClientClass* BitClientRegistry::find(QStringView name)
{
    for (const BitClientClass& one : kClasses) {
        if (one.name == name)
            return &one;
    }
    return nullptr;
}

std::unique_ptr<BitClient> BitClientRegistry::create(QStringView name, std::shared_ptr<HttpContext> context)
{
    const BitClientClass* found = find(name);
    return found ? found->create(std::move(context)) : nullptr;
}

std::unique_ptr<BitClient> BitClientRegistry::configured(const ServerInfo::Values& server,
                                                         std::shared_ptr<HttpContext> context, QString* problem)
{
    const QString name = server.client.value_or(QString());
    std::optional<QString> why;
    std::unique_ptr<BitClient> client = create(name, std::move(context));
    if (name.isEmpty()) {
        why = QStringLiteral("no remote client is set");
    } else if (!client) {
        why = QStringLiteral("no client is named \"%1\"").arg(name);
    } else {
        why = ServerInfo::addressProblem(server.address.value_or(QString()));
    }
    if (why) {
        if (problem) {
            *problem = *why;
        }
        return nullptr;
    }
    client->setAddress(server.address.value_or(QString()));
    client->setPort(server.port.value_or(QString()));
    client->setUsername(server.username.value_or(QString()));
    client->setPassword(server.password.value_or(QString()));
    return client;
}

} // namespace marrowfin
