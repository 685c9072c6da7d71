#pragma once

#include <QByteArray>
#include <QStringList>

#include <sys/types.h>

// A helper program started with fork() and exec(), its standard output on a
// pipe. QProcess on Linux starts children with a clone that shares the
// parent's memory until exec, and code the child runs in that window goes
// through ThreadSanitizer's hooks on the parent's own per-thread state: the
// parent's main thread then loses its lock history, and every lock it later
// shares with a worker thread is reported as a race. A plain fork gives the
// child its own copy, which the sanitizer follows.
class ForkedProcess {
public:
    ForkedProcess() = default;
    ForkedProcess(const ForkedProcess&) = delete;
    ForkedProcess& operator=(const ForkedProcess&) = delete;
    ~ForkedProcess();

    bool start(const QString& program, const QStringList& args);
    // The first line the program writes, without its end; empty when the
    // program ends or stays silent for timeoutMs.
    QByteArray readLine(int timeoutMs);
    bool running();
    void terminate();
    void kill();
    bool waitForFinished(int timeoutMs);

private:
    void signal(int sig);

    pid_t pid_ = -1;
    int out_ = -1;
    QByteArray buffered_;
};
