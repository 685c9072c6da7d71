#pragma once

#include <QPlainTextEdit>

class PaneState;

// The message pane: the transcript of the control connection. It can be
// scrolled, selected in and copied from, but not typed into.
class MessagePane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MessagePane(PaneState& app, QWidget* parent = nullptr);

    // The connection's transcript after a change; `appended` is the block
    // just added, empty when the transcript was started afresh.
    void showTranscript(const QString& text, const QString& appended);
    // The transcript as shown, lines ending in "\r\n".
    QString transcript() const { return shown_; }

private:
    void scrollToEnd();

    QString shown_;
};
