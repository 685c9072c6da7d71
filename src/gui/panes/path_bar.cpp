#include "gui/panes/path_bar.h"

#include "gui/panes/pane_texts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

PathBar::PathBar(const QString& side, QWidget* parent)
    : QWidget(parent), side_(new QLabel(side)), edit_(new QLineEdit), pattern_(new QToolButton) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    QFont bold = side_->font();
    bold.setBold(true);
    side_->setFont(bold);
    layout->addWidget(side_);
    layout->addWidget(edit_, 1);
    layout->addWidget(pattern_);
    pattern_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    pattern_->setAutoRaise(true);
    pattern_->setToolTip(QString::fromUtf8(PaneText::ClearPatternTip));
    pattern_->hide();
    connect(pattern_, &QToolButton::clicked, this, &PathBar::patternCleared);
    edit_->installEventFilter(this);
}

void PathBar::setSide(const QString& side) {
    side_->setText(side);
}

QString PathBar::side() const {
    return side_->text();
}

void PathBar::setPath(const QString& path) {
    shown_ = path;
    if (!edit_->hasFocus())
        edit_->setText(path);
}

void PathBar::setPattern(const QString& pattern) {
    pattern_->setText(QString::fromUtf8(PaneText::PatternShown).arg(pattern));
    pattern_->setVisible(!pattern.isEmpty());
}

QString PathBar::path() const {
    return shown_;
}

// Escape gives up what was typed; leaving the bar does the same, so that it
// never shows a folder the list does not.
bool PathBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        // Enter is the bar's own: taken here, it reaches no other widget
        // (a message about the folder would otherwise let it through to a
        // list once closed).
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QString typed = edit_->text().trimmed();
            if (!typed.isEmpty())
                emit pathEntered(typed);
            return true;
        }
    }
    if (watched == edit_) {
        const bool escape = event->type() == QEvent::KeyPress &&
                            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
        if (escape || event->type() == QEvent::FocusOut)
            edit_->setText(shown_);
        if (escape)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
