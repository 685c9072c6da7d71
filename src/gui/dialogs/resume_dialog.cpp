#include "gui/dialogs/resume_dialog.h"

#include "core/tasks/task_archive.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString descriptionOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const std::optional<TaskContents> header = TaskArchive::decodeHeader(file.read(1 << 20));
    return header ? header->description : QString();
}

} // namespace

ResumeDialog::ResumeDialog(const QString& programDir, QWidget* parent)
    : QDialog(parent), programDir_(programDir), list_(new QTreeWidget(this)),
      description_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("resumeDialog"));
    setWindowTitle(QString::fromUtf8("中断任务续传"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels(
        {QString::fromUtf8("中断任务名称及其开始时间"), QString::fromUtf8("任务说明")});
    list_->setColumnWidth(0, 250);
    list_->setColumnWidth(1, 400);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    description_->setReadOnly(true);
    if (!programDir_.isEmpty()) {
        // Newest last in the folder's order, so each row goes on top.
        for (const QFileInfo& info : QDir(programDir_)
                                         .entryInfoList({QStringLiteral("*.npm")}, QDir::Files,
                                                        QDir::Time | QDir::Reversed))
            list_->insertTopLevelItem(
                0, new QTreeWidgetItem(
                       QStringList{info.fileName(), descriptionOf(info.absoluteFilePath())}));
    }
    connect(list_, &QTreeWidget::itemClicked, this, &ResumeDialog::showDescription);
    connect(list_, &QTreeWidget::currentItemChanged, this, &ResumeDialog::showDescription);

    auto* resume = new QPushButton(QString::fromUtf8("续传(&R)"), this);
    resume->setObjectName(QStringLiteral("resumeButton"));
    auto* remove = new QPushButton(QString::fromUtf8("删除(&D)"), this);
    remove->setObjectName(QStringLiteral("deleteButton"));
    auto* cancel = new QPushButton(QString::fromUtf8("取消(&C)"), this);
    connect(resume, &QPushButton::clicked, this, &ResumeDialog::resumeSelected);
    connect(remove, &QPushButton::clicked, this, &ResumeDialog::deleteSelected);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("被中断、未完成操作列表：")));
    layout->addWidget(list_, 2);
    layout->addWidget(new QLabel(QString::fromUtf8("详细任务说明：")));
    layout->addWidget(description_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(resume);
    buttons->addWidget(remove);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    resize(680, 420);
}

void ResumeDialog::showDescription() {
    const QTreeWidgetItem* row = list_->currentItem();
    description_->setPlainText(row ? row->text(1) : QString());
}

void ResumeDialog::deleteSelected() {
    QTreeWidgetItem* row = list_->currentItem();
    if (!row || !QFile::remove(programDir_ + row->text(0)))
        return;
    delete row;
    description_->clear();
}

void ResumeDialog::resumeSelected() {
    if (const QTreeWidgetItem* row = list_->currentItem())
        chosen_ = row->text(0);
    accept();
}
