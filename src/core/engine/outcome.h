#pragma once

#include <QString>

// How an operation, or the connection itself, came to an end.
enum class Outcome {
    Completed,
    CompletedWithSkips, // done, with items left out (each named on its own)
    LoggedOut,          // the server said goodbye
    Refused,            // the server refused, or would not go on
    ConnectFailed,      // the site could not be reached or trusted
    ConnectionLost,     // the control or data connection broke or fell silent
    Cancelled,          // the user interrupted it
    LocalFileError,     // a local file could not be opened, created or written
    NameNotSendable,    // a name the server's encoding or protocol cannot carry
    TaskUnusable,       // a task file that cannot be resumed
};

// Which of the program's messages tells the user how it ended. Each message
// belongs to one outcome.
enum class EndMessage {
    AllCompleted,
    CompletedWithSkips,
    UpdateCompleted,
    LoggedOut,
    Stopped,
    UpdateFailed,
    CannotEnterFolder,
    UserRejected,
    TlsRequiredRefused,
    LookupFailed,
    ConnectFailed,
    TlsFailed,
    CertificateRefused,
    SendFailed,
    ReceiveFailed,
    ServerClosed,
    DataNetworkError,
    DataTimeout,
    ConnectionBroken,
    Interrupted,
    WriteFailed,
    CannotCreateFile,
    CannotOpenFile,
    UnsendableControl,
    UnsendableCharacters,
    TaskFileDamaged,
    TaskOfAnotherSite,
};

// One end, as the engine reports it to its host.
struct OperationEnd {
    explicit OperationEnd(EndMessage message, const QString& detail = QString(), int skipped = 0)
        : message(message), detail(detail), skipped(skipped) {}

    EndMessage message;
    QString detail; // what the message names at its end: a path, a reason
    int skipped;    // items left out, for CompletedWithSkips
    // Where it happened ("ftp.example.com:21") and why, in the server's words
    // ("530 Login incorrect.") or the system's ("Connection refused");
    // empty when there is nothing to add.
    QString address;
    QString reason;
    bool serverSaid = false; // the reason is the server's reply

    Outcome outcome() const;
    // The program's own text for it.
    QString text() const;
    // The text, then for a failure the address, the reason and what to do
    // next, a line each: what the window and the command line show.
    QString explained() const;
};
