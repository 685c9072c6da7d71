// The data connection's side of the connection window: the listening socket
// announced by "PORT" and the end of a data connection.
#include "engine/ftp_host.h"
#include "engine/ftp_source.h"
#include "engine/ftp_thread_wnd.h"

// Opens a listening socket and returns the "PORT" line announcing it at the
// control connection's own local address; empty when that fails.
QString CFtpThreadWnd::buildPortCommand() {
    listenSocket.reset();
    auto listener = std::make_unique<AsyncSocket>();
    quint16 port = 0;
    quint32 address = 0;
    if (!listener->open())
        return {};
    listener->asyncSelect(this, Fd::Accept);
    if (!listener->listen(1) || !listener->localAddress(nullptr, &port))
        return {};
    if (!controlSocket || !controlSocket->localAddress(&address, nullptr))
        return {};
    listenSocket = std::move(listener);
    return QString::asprintf("PORT %u,%u,%u,%u", address >> 24, (address >> 16) & 0xFF,
                             (address >> 8) & 0xFF, address & 0xFF) +
           QString::asprintf(",%u,%u\r\n", unsigned(port >> 8), unsigned(port & 0xFF));
}

// Drops the data connection and the local files of a transfer.
void CFtpThreadWnd::endDataConnection() {
    downloadFile.reset();
    uploadFile.reset();
    dataSocket.reset();
    listenSocket.reset();
    dataOpen = false;
}

void CFtpThreadWnd::stopProgress() {
    transferKind = 0;
    source.bytesDone = 0;
    host_.progressStopped();
}
