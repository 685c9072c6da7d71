#include "core/engine/data_address.h"

#include <QRegularExpression>

namespace DataAddress {

QString portArgument(quint32 a, quint16 port) {
    return QString::asprintf("%u,%u,%u,%u,%u,%u", a >> 24, (a >> 16) & 0xFF, (a >> 8) & 0xFF,
                             a & 0xFF, unsigned(port >> 8), unsigned(port & 0xFF));
}

QString extendedPortArgument(const QString& ipv6Address, quint16 port) {
    return QStringLiteral("|2|%1|%2|").arg(ipv6Address).arg(port);
}

std::optional<Endpoint> parsePassiveReply(const QString& text) {
    // The code itself ("227 ") is not part of the group.
    static const QRegularExpression group(
        QStringLiteral("(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})"
                       "\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})"));
    const QRegularExpressionMatch m =
        group.match(text, text.startsWith(QLatin1String("227")) ? 3 : 0);
    if (!m.hasMatch())
        return std::nullopt;
    int n[6];
    for (int i = 0; i < 6; ++i) {
        n[i] = m.captured(i + 1).toInt();
        if (n[i] > 255)
            return std::nullopt;
    }
    const quint16 port = quint16(n[4] * 256 + n[5]);
    if (port == 0)
        return std::nullopt;
    return Endpoint{QStringLiteral("%1.%2.%3.%4").arg(n[0]).arg(n[1]).arg(n[2]).arg(n[3]), port};
}

std::optional<quint16> parseExtendedPassiveReply(const QString& text) {
    static const QRegularExpression group(
        QStringLiteral("\\(([\\x21-\\x7e])\\1\\1(\\d{1,5})\\1\\)"));
    const QRegularExpressionMatch m = group.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int port = m.captured(2).toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

} // namespace DataAddress

QString DataAddress::hostAndPort(const QString& host, int port) {
    const bool bracket = host.contains(QLatin1Char(':'));
    return (bracket ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':') +
           QString::number(port);
}
