#pragma once

#include <QString>

// One entry of a connection's command queue: the verb, its argument and what
// the command is for. The wire line is built from it when it goes out; the
// reply table is keyed on the verb and the purpose.
struct FtpCommand {
    enum class Purpose {
        Plain,
        // "REST 0" after the login: does the server restart transfers?
        RestartProbe,
        // The data connection of the transfer that follows: "PORT" or "EPRT"
        // while active, "PASV" or "EPSV" while passive, decided as it goes
        // out, so that a repeated group announces a fresh listening socket.
        DataChannel,
        // A one-file "LIST": the size and time of a file about to be
        // continued or fetched in ranges.
        SizeCheck,
        // A one-file "LIST": what the site has before an edited file
        // replaces it.
        EditCheck,
    };

    QString verb;
    // A null argument sends the verb alone; an empty one still sends its
    // blank ("CWD " for a site without a start folder).
    QString argument;
    Purpose purpose = Purpose::Plain;

    // A verb alone ("PWD").
    static FtpCommand bare(const QString& verb, Purpose purpose = Purpose::Plain) {
        return {verb, QString(), purpose};
    }
    // A verb and its argument, sent even when the argument is empty.
    static FtpCommand with(const QString& verb, const QString& argument,
                           Purpose purpose = Purpose::Plain) {
        return {verb, argument.isNull() ? QStringLiteral("") : argument, purpose};
    }
    static FtpCommand dataChannel() { return bare(QString(), Purpose::DataChannel); }

    // The line sent, with its CRLF.
    QString line() const;
    bool is(const char* name) const { return verb == QLatin1String(name); }
    // The command moves data over a data connection.
    bool transfersData() const { return is("LIST") || is("RETR") || is("STOR") || is("APPE"); }
    bool checksOneFile() const {
        return purpose == Purpose::SizeCheck || purpose == Purpose::EditCheck;
    }
};
