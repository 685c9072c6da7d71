#include "core/platform/host_lookup.h"

#include "core/platform/message_target.h"

#include <QStringList>

#include <arpa/inet.h>
#include <map>
#include <mutex>
#include <netdb.h>
#include <set>
#include <thread>

struct HostLookup::Shared {
    std::mutex mutex;
    MessageTarget* target = nullptr; // null once the owner is gone
    quintptr lastHandle = 0;
    std::set<quintptr> running;
    std::map<quintptr, QString> results;
};

HostLookup::HostLookup(MessageTarget* target, Resolver resolver)
    : shared_(std::make_shared<Shared>()), resolver_(std::move(resolver)) {
    shared_->target = target;
}

HostLookup::~HostLookup() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->target = nullptr;
    shared_->running.clear();
}

quintptr HostLookup::start(const QString& name) {
    quintptr handle;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        handle = ++shared_->lastHandle;
        shared_->running.insert(handle);
    }
    // A thread of its own: a resolver that hangs must not hold up others,
    // and the time-out of the connection abandons it with cancel().
    std::thread([shared = shared_, resolver = resolver_, name, handle] {
        std::optional<QString> address = resolver(name);
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (!shared->target || !shared->running.erase(handle))
            return; // cancelled meanwhile
        int error = 0;
        int length = 0;
        if (address) {
            shared->results[handle] = *address;
            length = int(address->size());
        } else {
            error = 11001; // host not found
        }
        shared->target->post(Msg::LookupFinished, handle, (LParam(error) << 16) | length);
    }).detach();
    return handle;
}

void HostLookup::cancel(quintptr handle) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->running.erase(handle);
    shared_->results.erase(handle);
}

QString HostLookup::result(quintptr handle) const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    auto it = shared_->results.find(handle);
    return it == shared_->results.end() ? QString() : it->second;
}

HostLookup::Resolver HostLookup::systemResolver() {
    return [](const QString& name) -> std::optional<QString> {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC; // IPv4 or IPv6, in the order the system prefers
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(name.toUtf8().constData(), nullptr, &hints, &found) != 0 || !found)
            return std::nullopt;
        QStringList addresses;
        for (const addrinfo* a = found; a; a = a->ai_next) {
            char text[INET6_ADDRSTRLEN] = {};
            if (a->ai_family == AF_INET6)
                ::inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(a->ai_addr)->sin6_addr, text,
                            sizeof text);
            else if (a->ai_family == AF_INET)
                ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr, text,
                            sizeof text);
            const QString address = QString::fromLatin1(text);
            if (!address.isEmpty() && !addresses.contains(address))
                addresses << address;
        }
        ::freeaddrinfo(found);
        if (addresses.isEmpty())
            return std::nullopt;
        return addresses.join(QLatin1Char(' '));
    };
}

QString HostLookup::notFoundText() {
    return QString::fromLocal8Bit(gai_strerror(EAI_NONAME));
}
