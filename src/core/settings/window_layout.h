#pragma once

#include <QByteArray>
#include <QString>

// How the user left the main window: its place and size, the splitters,
// whether the transfer list is shown,
// each file list's columns (widths, which are shown, the sort) and style,
// and the local folder shown. Kept in corvane.ini, section "WINDOW", which
// earlier versions do not read; the window's own states are stored as they
// come (base64), the folder percent-encoded UTF-8 so that any name comes
// back exactly.
struct WindowLayout {
    QByteArray geometry;
    QByteArray mainSplit;
    QByteArray leftSplit;
    QByteArray localSplit;
    QByteArray remoteSplit;
    QByteArray rightSplit; // the transcript above the transfer list
    QByteArray localColumns;
    QByteArray remoteColumns;
    QString localStyle; // "details", "list", "icons"; empty: as the program starts
    QString remoteStyle;
    QString localFolder;
    bool transferListHidden = false; // shown unless the user hid it

    // Empty fields for what the file does not have (or has damaged).
    static WindowLayout read(const QString& iniPath);
    // Only the WINDOW section changes; the file stays readable by the user
    // alone (it may hold the proxy password).
    bool write(const QString& iniPath) const;

    bool operator==(const WindowLayout&) const = default;
};
