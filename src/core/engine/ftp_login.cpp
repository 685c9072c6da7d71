// Login, directly or through an FTP proxy, and the current folder the server
// names after it.
#include "core/engine/connection_source.h"
#include "core/engine/ftp_connection.h"
#include "core/engine/ftp_host.h"
#include "core/engine/result_texts.h"

void FtpConnection::login(bool resumeTask) {
    reset(true);
    const QString crlf = QStringLiteral("\r\n");
    if (source.useProxy) {
        // First the proxy's own login, then the site's user with its address.
        if (!source.proxyUser.isEmpty())
            commandQueue << QStringLiteral("USER ") + source.proxyUser + crlf;
        if (!source.proxyPass.isEmpty())
            commandQueue << QStringLiteral("PASS ") + source.proxyPass + crlf;
        commandQueue << QStringLiteral("USER ") + source.user() + QLatin1Char('@') +
                            source.hostName() + QLatin1Char(':') + QString::number(source.port) +
                            crlf;
    } else {
        commandQueue << QStringLiteral("USER ") + source.user() + crlf;
    }
    commandQueue << QStringLiteral("PASS ") + source.password() + crlf;
    if (resumeTask) {
        // Only the restart probe: the task itself says where to go.
        commandQueue << QStringLiteral("REST 0\r\n");
    } else {
        commandQueue << QStringLiteral("CWD ") + source.startFolder() + crlf
                     << QStringLiteral("REST 0\r\n") << QStringLiteral("PWD\r\n");
    }
    askForSend();
    showPhase(Phase::LoggingIn);
}

// The folder stands between the first pair of double quotes (a doubled quote
// inside stands for one quote), or, without double quotes, single quotes.
// An opening quote without its closing one names no folder.
QString FtpConnection::folderFromPwdReply(const QString& reply) {
    QChar quote = QLatin1Char('"');
    qsizetype open = reply.indexOf(quote);
    if (open < 0) {
        quote = QLatin1Char('\'');
        open = reply.indexOf(quote);
        if (open < 0)
            return {};
    }
    QString folder;
    for (qsizetype i = open + 1; i < reply.size(); ++i) {
        if (reply.at(i) != quote) {
            folder += reply.at(i);
        } else if (i + 1 < reply.size() && reply.at(i + 1) == quote) {
            folder += quote;
            ++i;
        } else {
            return folder;
        }
    }
    return {};
}

void FtpConnection::setCurrentFolderFromReply(const QString& text) {
    const QString folder = folderFromPwdReply(text);
    if (folder.isEmpty() || !folder.startsWith(QLatin1Char('/')))
        return;
    host_.currentFolderLearned(folder);
}
