#include "gui/dialogs/help_dialog.h"

#include "gui/dialogs/dialog_units.h"

#include <QKeyEvent>
#include <QPushButton>

HelpDialog::HelpDialog(const char* helpKeyword, QWidget* parent)
    : QDialog(parent), helpKeyword_(QString::fromUtf8(helpKeyword)) {}

QRect HelpDialog::du(int x, int y, int w, int h) const {
    return dialogUnits(font(), x, y, w, h);
}

void HelpDialog::addButtons(const QRect& ok, const QRect& cancel, const QRect& help) {
    auto* okButton = new QPushButton(QString::fromUtf8("&O确定"), this);
    okButton->setObjectName("ok");
    okButton->setGeometry(du(ok.x(), ok.y(), ok.width(), ok.height()));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancelButton = new QPushButton(QString::fromUtf8("&C取消"), this);
    cancelButton->setObjectName("cancel");
    cancelButton->setGeometry(du(cancel.x(), cancel.y(), cancel.width(), cancel.height()));
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* helpButton = new QPushButton(QString::fromUtf8("帮助(F1)"), this);
    helpButton->setObjectName("help");
    helpButton->setGeometry(du(help.x(), help.y(), help.width(), help.height()));
    connect(helpButton, &QPushButton::clicked, this, [this] { emit helpRequested(helpKeyword_); });
}

void HelpDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(helpKeyword_);
        return;
    }
    QDialog::keyPressEvent(event);
}
