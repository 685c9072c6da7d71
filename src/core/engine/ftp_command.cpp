#include "core/engine/ftp_command.h"

QString FtpCommand::line() const {
    QString text = verb;
    if (!argument.isNull())
        text += QLatin1Char(' ') + argument;
    return text + QStringLiteral("\r\n");
}
