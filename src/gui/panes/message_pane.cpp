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

// Appending only the new block keeps a long transcript cheap to show; the
// whole text is set when the transcript was cut or cleared.
void MessagePane::showTranscript(const QString& text, const QString& appended) {
    const bool grows = !appended.isEmpty() && text.size() == shown_.size() + appended.size() &&
                       text.startsWith(shown_);
    shown_ = text;
    if (grows) {
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        end.insertText(forDisplay(appended));
    } else {
        setPlainText(forDisplay(text));
    }
    scrollToEnd();
}

void MessagePane::scrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
