#pragma once

#include <QString>

// The control connection's transcript as the message pane shows it: command
// blocks "C:\r\n" + line (passwords masked), reply blocks "S:\r\n" + text.
// A transcript over 8192 bytes is dropped before the next command block.
class Transcript {
public:
    static constexpr int Limit = 8192;

    void clear() { text_.clear(); }
    // Returns the block added.
    QString addCommand(const QString& line);
    QString addReply(const QString& text);
    // A line of the program's own between the blocks.
    QString addNote(const QString& text);
    const QString& text() const { return text_; }

    // "PASS " + one "*" per byte of the password, for a line that starts
    // with "PASS"; any other line unchanged.
    static QString masked(const QString& line);

private:
    QString text_;
};
