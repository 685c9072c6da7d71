#pragma once

#include "core/platform/data_mode.h"

#include <QString>

#include <optional>

// The addresses of data connections as command lines and replies carry them.

namespace DataAddress {

struct Endpoint {
    QString address; // dotted IPv4
    quint16 port = 0;
    bool operator==(const Endpoint&) const = default;
};

// The argument of "PORT": h1,h2,h3,h4,p1,p2.
QString portArgument(quint32 ipv4HostOrder, quint16 port);
// The argument of "EPRT" for an IPv6 address: |2|address|port|.
QString extendedPortArgument(const QString& ipv6Address, quint16 port);
// The address and port of a "227" reply: the first six numbers apart by
// commas in its text, with or without parentheses; none when the text
// holds no such group or a number is out of range.
std::optional<Endpoint> parsePassiveReply(const QString& text);
// The port of a "229" reply: "(|||port|)", where any character the reply
// uses may stand for "|"; none when it holds no such group.
std::optional<quint16> parseExtendedPassiveReply(const QString& text);

// "host:port", an IPv6 address in brackets ("[::1]:2121").
QString hostAndPort(const QString& host, int port);

} // namespace DataAddress
