#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class MessageTarget;

// Resolves a host name to a numeric IPv4 or IPv6 address off the calling thread and
// posts LookupFinished (handle, error << 16 | length) to the target. After
// cancel(handle), or once the HostLookup is gone, nothing more is posted.
class HostLookup {
public:
    // Blocking name resolution, run on a worker thread: the numeric
    // addresses of the name, in the order to try them, apart by blanks.
    // Tests replace it so that a failing or slow lookup needs no network.
    using Resolver = std::function<std::optional<QString>(const QString& name)>;

    explicit HostLookup(MessageTarget* target, Resolver resolver = systemResolver());
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    quintptr start(const QString& name);
    void cancel(quintptr handle);
    // The addresses of a finished, successful lookup, in the order to try.
    QString result(quintptr handle) const;

    static Resolver systemResolver();
    // The system's words for a name that could not be resolved.
    static QString notFoundText();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    Resolver resolver_;
};
