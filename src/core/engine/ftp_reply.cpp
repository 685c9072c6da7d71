#include "core/engine/ftp_reply.h"

namespace {

// The code a line opens with ("230 ", "230-", or "230" alone before its line
// end), or 0. `separator` receives the character after the digits.
int lineCode(const QByteArray& buffer, qsizetype start, qsizetype end, char* separator) {
    if (end - start < 3)
        return 0;
    int code = 0;
    for (qsizetype i = start; i < start + 3; ++i) {
        const char c = buffer.at(i);
        if (c < '0' || c > '9')
            return 0;
        code = code * 10 + (c - '0');
    }
    const char after = start + 3 < end ? buffer.at(start + 3) : '\n';
    if (after != ' ' && after != '-' && after != '\r' && after != '\n')
        return 0;
    *separator = after;
    return code;
}

// Length of the first complete reply in `buffer`, or 0 when it is not all
// there; `code` receives its code.
qsizetype replyLength(const QByteArray& buffer, int* code) {
    const qsizetype firstEnd = buffer.indexOf('\n');
    if (firstEnd < 0)
        return 0;
    char separator = 0;
    const int first = lineCode(buffer, 0, firstEnd, &separator);
    if (first == 0 || separator != '-') {
        *code = first;
        return firstEnd + 1;
    }
    // Multi-line: lines up to the first that opens with the same code and
    // no hyphen, whole.
    qsizetype lineStart = firstEnd + 1;
    for (;;) {
        const qsizetype lineEnd = buffer.indexOf('\n', lineStart);
        if (lineEnd < 0)
            return 0;
        char sep = 0;
        if (lineCode(buffer, lineStart, lineEnd, &sep) == first && sep != '-') {
            *code = first;
            return lineEnd + 1;
        }
        lineStart = lineEnd + 1;
    }
}

} // namespace

std::optional<FtpReply> FtpReply::take(QByteArray& buffer) {
    int code = 0;
    const qsizetype length = replyLength(buffer, &code);
    if (length == 0)
        return std::nullopt;
    FtpReply reply;
    reply.code = code;
    reply.text = buffer.left(length);
    buffer.remove(0, length);
    return reply;
}

bool FtpReply::completeAtFront(const QByteArray& buffer) {
    int code = 0;
    return replyLength(buffer, &code) > 0;
}
