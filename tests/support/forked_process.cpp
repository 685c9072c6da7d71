#include "forked_process.h"

#include <QDeadlineTimer>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

ForkedProcess::~ForkedProcess() {
    kill();
    waitForFinished(5000);
    if (out_ >= 0)
        ::close(out_);
}

bool ForkedProcess::start(const QString& program, const QStringList& args) {
    if (pid_ > 0)
        return false;
    // Everything the child needs is built before the fork: between fork and
    // exec it may only make system calls.
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString& a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (pid == 0) {
        // A test that dies (an abort, a sanitizer stop) takes its server
        // with it rather than leaving it listening.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (out_ >= 0)
        ::close(out_);
    out_ = pipeFds[0];
    buffered_.clear();
    pid_ = pid;
    return true;
}

QByteArray ForkedProcess::readLine(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!buffered_.contains('\n')) {
        pollfd p{out_, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(deadline.remainingTime()));
        if (ready <= 0)
            return {};
        char chunk[256];
        const ssize_t n = ::read(out_, chunk, sizeof chunk);
        if (n <= 0)
            return {};
        buffered_.append(chunk, int(n));
    }
    const qsizetype end = buffered_.indexOf('\n');
    const QByteArray line = buffered_.left(end);
    buffered_.remove(0, end + 1);
    return line;
}

bool ForkedProcess::running() {
    if (pid_ <= 0)
        return false;
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
        pid_ = -1;
    return pid_ > 0;
}

void ForkedProcess::signal(int sig) {
    if (running())
        ::kill(pid_, sig);
}

void ForkedProcess::terminate() {
    signal(SIGTERM);
}

void ForkedProcess::kill() {
    signal(SIGKILL);
}

bool ForkedProcess::waitForFinished(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (running()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}
