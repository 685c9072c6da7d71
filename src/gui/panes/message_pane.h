#pragma once

#include <QDateTime>
#include <QPlainTextEdit>

class PaneState;

// The message pane: the transcript of the control connection. It can be
// scrolled, selected in and copied from, but not typed into. What earlier
// connections said stays above, each connection under a line naming its
// site and the time it started.
class MessagePane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MessagePane(PaneState& app, QWidget* parent = nullptr);

    // The connection's transcript after a change; `appended` is the block
    // just added, empty when the transcript was started afresh.
    void showTranscript(const QString& text, const QString& appended);
    // A new connection starts: a separator line naming the site and time.
    void startConnection(const QString& site, const QDateTime& at);
    // The current connection's transcript, lines ending in "\r\n".
    QString transcript() const { return shown_; }
    // Everything the pane holds, earlier connections first.
    QString wholeText() const { return earlier_ + shown_; }

    // Kept of earlier connections, at most (characters); the oldest lines go.
    static constexpr qsizetype EarlierLimit = 512 * 1024;

private:
    void append(const QString& block);
    bool keepEarlier(const QString& text);
    void redisplay();
    void scrollToEnd();

    QString earlier_; // earlier connections, and this one's text before a cut
    QString shown_;   // this connection's transcript as last told
};
