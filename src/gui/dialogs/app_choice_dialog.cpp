#include "gui/dialogs/app_choice_dialog.h"

#include <QFileIconProvider>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {

constexpr int PathRole = Qt::UserRole;

} // namespace

AppChoiceDialog::AppChoiceDialog(const QStringList& chosenBefore,
                                 const QList<DesktopApps::App>& registered, QWidget* parent)
    : HelpDialog("在线编辑", parent), list_(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("appChoiceDialog"));
    setWindowTitle(QString::fromUtf8("使用应用程序选择"));
    auto* note = new QLabel(QString::fromUtf8("请在下面列表中选择用于阅读编辑文件的程序"), this);
    note->setGeometry(du(7, 5, 300, 10));
    list_->setObjectName(QStringLiteral("applications"));
    list_->setGeometry(du(7, 18, 300, 110));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels({QString::fromUtf8("应用程序名称"), QString::fromUtf8("应用程序路径")});
    list_->setColumnWidth(0, 150);
    list_->setColumnWidth(1, 370);
    const QFileIconProvider icons;
    QStringList listed;
    const auto addRow = [&](const QString& name, const QString& folder, const QString& path) {
        if (listed.contains(path))
            return;
        listed << path;
        auto* row = new QTreeWidgetItem(list_, {name, folder});
        row->setIcon(0, icons.icon(QFileInfo(path)));
        row->setData(0, PathRole, path);
    };
    // A line is shown when a "/" stands before at least one character: the
    // name after it, the folder up to it.
    for (const QString& line : chosenBefore) {
        const qsizetype cut = line.lastIndexOf(QLatin1Char('/'));
        if (cut >= 0 && cut + 1 < line.size())
            addRow(line.mid(cut + 1), line.left(cut + 1), line);
    }
    for (const DesktopApps::App& app : registered)
        addRow(app.name, app.program, app.program);
    connect(list_, &QTreeWidget::currentItemChanged, this, &AppChoiceDialog::rowChanged);

    auto* other = new QPushButton(QString::fromUtf8("&A其他程序"), this);
    other->setObjectName(QStringLiteral("otherProgram"));
    other->setGeometry(du(7, 133, 60, 14));
    connect(other, &QPushButton::clicked, this, [this] {
        chosen_.clear();
        accept();
    });
    addButtons(QRect(135, 133, 55, 14), QRect(194, 133, 55, 14), QRect(253, 133, 55, 14));
    ok_ = findChild<QPushButton*>(QStringLiteral("ok"));
    ok_->setEnabled(false);
    setFixedSize(du(0, 0, 315, 153).size());
}

bool AppChoiceDialog::isEmpty() const {
    return list_->topLevelItemCount() == 0;
}

void AppChoiceDialog::rowChanged() {
    const QTreeWidgetItem* row = list_->currentItem();
    chosen_ = row ? row->data(0, PathRole).toString() : QString();
    ok_->setEnabled(row != nullptr);
}
