#include "gui/dialogs/file_list_options_dialog.h"

#include "core/settings/list_filters.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QGroupBox* patternGroup(const char* title, QLineEdit* edit, QCheckBox* keep) {
    auto* group = new QGroupBox(QString::fromUtf8(title));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(edit);
    layout->addWidget(keep);
    return group;
}

} // namespace

FileListOptionsDialog::FileListOptionsDialog(const ListFilters& filters, QWidget* parent)
    : QDialog(parent), localPattern_(new QLineEdit(filters.local)),
      keepLocal_(new QCheckBox(QString::fromUtf8("条件一直保持"))),
      sitePattern_(new QLineEdit(filters.site)),
      keepSite_(new QCheckBox(QString::fromUtf8("条件一直保持"))) {
    setObjectName(QStringLiteral("fileListOptionsDialog"));
    setWindowTitle(QString::fromUtf8("文件列表选项"));
    localPattern_->setObjectName(QStringLiteral("localPattern"));
    sitePattern_->setObjectName(QStringLiteral("sitePattern"));
    keepLocal_->setObjectName(QStringLiteral("keepLocal"));
    keepSite_->setObjectName(QStringLiteral("keepSite"));
    keepLocal_->setChecked(filters.keepLocal);
    keepSite_->setChecked(filters.keepSite);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(patternGroup("本地文件列表选项", localPattern_, keepLocal_));
    layout->addWidget(patternGroup("站点文件列表选项", sitePattern_, keepSite_));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QString::fromUtf8("&O确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QString::fromUtf8("&C取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

void FileListOptionsDialog::applyTo(ListFilters& filters) const {
    filters.accept(localPattern_->text(), keepLocal_->isChecked(), sitePattern_->text(),
                   keepSite_->isChecked());
}
