#include "gui/dialogs/dialog_prompts.h"

#include "gui/dialogs/certificate_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString title() {
    return QApplication::applicationDisplayName();
}

} // namespace

void DialogPrompts::report(const QString& text) {
    waiting_.push_back(text);
    if (!messageOpen_)
        showNextMessage();
}

void DialogPrompts::showNextMessage() {
    if (waiting_.empty())
        return;
    auto* box = new QMessageBox(QMessageBox::Information, title(), waiting_.front(),
                                QMessageBox::NoButton, parent_);
    waiting_.pop_front();
    box->addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    messageOpen_ = true;
    QObject::connect(box, &QDialog::finished, box, [this] {
        messageOpen_ = false;
        showNextMessage();
    });
    box->open();
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

Prompts::CertificateAnswer DialogPrompts::askCertificate(const QString& server,
                                                         const TlsCertificate& certificate) {
    CertificateDialog dialog(server, certificate, parent_);
    dialog.exec();
    return dialog.answer();
}

// The new-name dialogs: every name is taken as typed, only trimmed (the
// labels keep the program's old advice against blanks, which servers of
// today no longer need).
QString DialogPrompts::askName(NameDialog kind, const QString& current) {
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("nameDialog"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* edit = new QLineEdit(current, &dialog);
    edit->setObjectName(QStringLiteral("nameEdit"));
    layout->addWidget(edit);
    switch (kind) {
    case NameDialog::NewFolder:
        dialog.setWindowTitle(QString::fromUtf8("新建目录名输入"));
        layout->addWidget(new QLabel(QString::fromUtf8("请注意新建目录不能和已有目录名相同\n"
                                                       "目录名不能含有空格、/、\\等非法字符")));
        break;
    case NameDialog::NewFile:
        dialog.setWindowTitle(QString::fromUtf8("新建文件名输入"));
        layout->addWidget(new QLabel(QString::fromUtf8("请注意新建文件不能和已有文件名相同\n"
                                                       "文件名不能含有空格、/、\\等非法字符")));
        break;
    case NameDialog::Rename:
        dialog.setWindowTitle(QString::fromUtf8("新文件名输入"));
        break;
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QString::fromUtf8("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QString::fromUtf8("取消"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    edit->selectAll();
    if (dialog.exec() != QDialog::Accepted)
        return {};
    // Blanks inside a name are the user's; only those around it go.
    return edit->text().trimmed();
}
