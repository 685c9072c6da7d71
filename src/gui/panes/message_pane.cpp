#include "gui/panes/message_pane.h"

#include "gui/panes/focus_report.h"
#include "gui/panes/pane_state.h"

#include <QScrollBar>

namespace {

QString forDisplay(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

} // namespace

MessagePane::MessagePane(PaneState& app, QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("messagePane"));
    app.messagePane = this;
    new FocusReport(app, this, Pane::Messages);
    // Read-only swallows typed characters while keeping selection and copy.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

// Appending only the new block keeps a long transcript cheap to show. A
// transcript started afresh (a new connection) or cut (it keeps a few
// kilobytes) loses nothing here: what was shown moves up to the earlier
// text.
void MessagePane::showTranscript(const QString& text, const QString& appended) {
    Q_UNUSED(appended); // what was added is worked out from the text itself
    if (text.startsWith(shown_)) {
        const QString added = text.mid(shown_.size());
        shown_ = text;
        append(added);
        return;
    }
    const bool trimmed = keepEarlier(shown_);
    shown_ = text;
    if (trimmed)
        redisplay();
    else
        append(text);
}

void MessagePane::startConnection(const QString& site, const QDateTime& at) {
    const QString line = QStringLiteral("———— %1  %2 ————\r\n")
                             .arg(site, at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    const bool trimmed = keepEarlier(shown_ + line);
    shown_.clear();
    if (trimmed)
        redisplay();
    else
        append(line);
}

void MessagePane::append(const QString& block) {
    if (block.isEmpty())
        return;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(forDisplay(block));
    scrollToEnd();
}

// The earlier text is bounded: past the limit its oldest lines go. True
// when some went (the pane must then be shown afresh).
bool MessagePane::keepEarlier(const QString& text) {
    earlier_ += text;
    if (earlier_.size() <= EarlierLimit)
        return false;
    const qsizetype cut = earlier_.indexOf(QLatin1Char('\n'), earlier_.size() - EarlierLimit / 2);
    earlier_.remove(0, cut < 0 ? earlier_.size() : cut + 1);
    return true;
}

void MessagePane::redisplay() {
    setPlainText(forDisplay(earlier_ + shown_));
    scrollToEnd();
}

void MessagePane::scrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
