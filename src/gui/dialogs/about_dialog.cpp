#include "gui/dialogs/about_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("关于corvane..."));
    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(48, 48));
    auto* text = new QLabel(QString::fromUtf8("<b>corvane 2.5</b><br>FTP 客户端软件<br>"
                                              "断点续传、分段下载、目录更新、在线编辑<br>%1")
                                .arg(QString::fromLatin1(HomePageUrl)),
                            this);
    auto* close = new QPushButton(QString::fromUtf8("关闭"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(close, 0, Qt::AlignRight);
}
