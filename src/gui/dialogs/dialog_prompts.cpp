#include "gui/dialogs/dialog_prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString title() {
    return QApplication::applicationDisplayName();
}

} // namespace

void DialogPrompts::report(const QString& text) {
    QMessageBox box(QMessageBox::Information, title(), text, QMessageBox::NoButton, parent_);
    box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
    box.exec();
}

bool DialogPrompts::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::NoButton, parent_);
    QPushButton* yes = box.addButton(QString::fromUtf8("是(&Y)"), QMessageBox::YesRole);
    box.addButton(QString::fromUtf8("否(&N)"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
}

bool DialogPrompts::askOkCancel(const QString& text) {
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::NoButton, parent_);
    QPushButton* ok = box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
    box.addButton(QString::fromUtf8("取消"), QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == ok;
}
