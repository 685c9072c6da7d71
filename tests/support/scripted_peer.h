#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A scripted FTP server on 127.0.0.1 for pinning exact command sequences and
// misbehaviour. It accepts one control connection and runs its script on its
// own thread: expect a line, answer (whole, in pieces, byte by byte), wait,
// open a data connection to the announced PORT address, close early.
// Every mismatch is recorded in failures().
class ScriptedPeer {
public:
    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    quint16 port() const { return port_; }

    // Script steps, run in order once start() is called.
    ScriptedPeer& send(const QByteArray& text);
    ScriptedPeer& sendPieces(const QList<QByteArray>& pieces, int gapMs = 50);
    ScriptedPeer& sendBytewise(const QByteArray& text, int gapMs = 1);
    ScriptedPeer& expect(const QByteArray& line); // without "\r\n"
    ScriptedPeer& expectPrefix(const QByteArray& prefix);
    ScriptedPeer& expectSilence(int ms);       // no line may arrive meanwhile
    ScriptedPeer& expectClosed(int ms = 3000); // the client closes
    ScriptedPeer& pause(int ms);
    ScriptedPeer& close();
    // Drops the control and data connections and takes the client's next
    // control connection; the steps that follow talk to it.
    ScriptedPeer& acceptNext(int timeoutMs = 5000);
    // Closes the control connection and goes on with the data steps that
    // follow, as a server that hangs up with data still on its way.
    ScriptedPeer& hangUp();
    // Connects to the address of the last PORT line received (optionally from
    // another loopback address), sends `payload` and closes.
    ScriptedPeer& openData(const QByteArray& payload, const char* fromAddress = "127.0.0.1");
    // A data connection kept open across steps: connect now (as servers do
    // that connect on "PORT"), later send on it and close, or read all the
    // client uploads until it closes.
    ScriptedPeer& connectData(const char* fromAddress = "127.0.0.1");
    ScriptedPeer& sendDataAndClose(const QByteArray& payload);
    ScriptedPeer& sendDataKeepOpen(const QByteArray& payload);
    ScriptedPeer& receiveData(int timeoutMs = 5000);
    // The client closes the data connection (a transfer it cut short).
    ScriptedPeer& expectDataClosed(int timeoutMs = 5000);
    // Passive mode: expect `command` ("PASV" or "EPSV"), listen on a free
    // port of 127.0.0.1 and answer with it ("227 ... (h1,...,p2)" or
    // "229 ... (|||port|)"); acceptData() then takes the client's data
    // connection for the steps above.
    ScriptedPeer& passive(const QByteArray& command = "PASV");
    ScriptedPeer& acceptData(int timeoutMs = 5000);
    QByteArray uploaded() const;
    // A line-based exchange: expect `line`, then send `reply` + "\r\n".
    ScriptedPeer& on(const QByteArray& line, const QByteArray& reply);

    // The head of a transfer group: "TYPE x" (when the script's last type
    // was another) and a PORT line, both accepted.
    ScriptedPeer& typeAndPort(const QByteArray& type);
    // Usual greeting and a plain login up to the current folder.
    ScriptedPeer& greetAndLogin(const QByteArray& user = "u", const QByteArray& pass = "p",
                                const QByteArray& folder = "/");

    void start();
    bool waitDone(int ms = 10000);
    bool done() const;
    QStringList received() const;
    QStringList failures() const;

private:
    using Step = std::function<void()>;
    void run();
    bool readLine(QByteArray* line, int timeoutMs);
    void writeAll(const QByteArray& data);
    void fail(const QString& what);
    int dialData(const char* fromAddress);

    int listenFd_ = -1;
    int controlFd_ = -1;
    quint16 port_ = 0;
    std::vector<Step> steps_;
    std::thread thread_;
    QByteArray pending_;
    QByteArray lastPort_;
    QByteArray scriptType_; // the type the script's transfer groups last set
    int dataFd_ = -1;
    int passiveFd_ = -1;
    QByteArray uploaded_;
    mutable std::mutex mutex_;
    QStringList received_;
    QStringList failures_;
    bool done_ = false;
    bool hungUp_ = false;
};
