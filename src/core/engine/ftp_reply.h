#pragma once

#include <QByteArray>

#include <optional>

// One reply of the server, framed as RFC 959 frames it:
//
//   "226 Transfer complete.\r\n"                   one line, code 226
//   "230-Welcome\r\n230-to the site\r\n230 ok\r\n"  lines of "230-" closed
//                                                  by the first "230 " line
//
// The code is the three digits that open the reply's last line; digits
// anywhere else (a folder "x221", "(4210 bytes)") are text. A line that does
// not open with three digits outside a multi-line reply is a reply of code 0.
struct FtpReply {
    int code = 0;
    QByteArray text; // every line, line ends included

    // Takes the first complete reply off the front of `buffer`; nothing while
    // its last line, line end included, has not arrived yet.
    static std::optional<FtpReply> take(QByteArray& buffer);
    // Whether a complete reply stands at the front of `buffer`.
    static bool completeAtFront(const QByteArray& buffer);

    bool preliminary() const { return code >= 100 && code < 200; }
    bool positive() const { return code >= 200 && code < 300; }
};
