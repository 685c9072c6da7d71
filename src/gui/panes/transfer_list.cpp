#include "gui/panes/transfer_list.h"

#include "core/tasks/transfer_queue.h"
#include "gui/panes/pane_texts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

constexpr int IdRole = Qt::UserRole;

// States and reasons read from their start; paths keep both ends.
class ElideRightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};

QPushButton* commandButton(const char* text, const char* tip) {
    auto* button = new QPushButton(QString::fromUtf8(text));
    button->setToolTip(QString::fromUtf8(tip));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TransferList::TransferList(TransferQueue& queue, QWidget* parent) : QWidget(parent), queue_(queue) {
    setObjectName(QStringLiteral("transferList"));
    auto* title = new QLabel(QString::fromUtf8(PaneText::TransferListTitle));
    retry_ = commandButton(PaneText::RetryTransfer, PaneText::RetryTip);
    remove_ = commandButton(PaneText::RemoveTransfer, PaneText::RemoveTip);
    clear_ = commandButton(PaneText::ClearFinished, PaneText::ClearFinishedTip);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    bar->addWidget(title);
    bar->addStretch(1);
    for (QPushButton* button : {retry_, remove_, clear_})
        bar->addWidget(button);

    view_ = new QTreeWidget;
    view_->setObjectName(QStringLiteral("transferRows"));
    view_->setRootIsDecorated(false);
    view_->setUniformRowHeights(true);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setHeaderLabels(QString::fromUtf8(PaneText::TransferColumns).split(QLatin1Char('|')));
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    view_->header()->setStretchLastSection(true);
    // Paths keep their ends in view: the folder and the name matter most.
    view_->setTextElideMode(Qt::ElideMiddle);
    view_->setItemDelegateForColumn(State, new ElideRightDelegate(view_));
    // The progress of the running line takes what the others leave; a
    // failure's whole reason is in its state's tooltip.
    const int widths[] = {40, 120, 90, 60, 90};
    for (int column = 0; column < int(std::size(widths)); ++column)
        view_->setColumnWidth(column, widths[column]);
    view_->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(view_, 1);

    connect(&queue_, &TransferQueue::itemAdded, this, &TransferList::addRow);
    connect(&queue_, &TransferQueue::itemChanged, this, &TransferList::showRow);
    connect(&queue_, &TransferQueue::itemRemoved, this, &TransferList::dropRow);
    connect(view_, &QTreeWidget::currentItemChanged, this, &TransferList::updateButtons);
    connect(view_, &QTreeWidget::itemDoubleClicked, this, &TransferList::retrySelected);
    connect(view_, &QTreeWidget::customContextMenuRequested, this, &TransferList::showMenu);
    connect(retry_, &QPushButton::clicked, this, &TransferList::retrySelected);
    connect(remove_, &QPushButton::clicked, this, &TransferList::removeSelected);
    connect(clear_, &QPushButton::clicked, this, &TransferList::clearFinished);
    for (const TransferItem& item : queue_.items())
        addRow(item.id);
    updateButtons();
}

QTreeWidgetItem* TransferList::rowOf(int id) const {
    for (int i = 0; i < view_->topLevelItemCount(); ++i)
        if (view_->topLevelItem(i)->data(0, IdRole).toInt() == id)
            return view_->topLevelItem(i);
    return nullptr;
}

int TransferList::selectedId() const {
    const QTreeWidgetItem* row = view_->currentItem();
    return row ? row->data(0, IdRole).toInt() : 0;
}

void TransferList::addRow(int id) {
    auto* row = new QTreeWidgetItem(view_);
    row->setData(0, IdRole, id);
    row->setTextAlignment(Size, Qt::AlignRight | Qt::AlignVCenter);
    showRow(id);
    view_->scrollToItem(row);
}

// The state's tooltip holds the whole reason, however long.
void TransferList::showRow(int id) {
    QTreeWidgetItem* row = rowOf(id);
    TransferItem* item = queue_.item(id);
    if (!row || !item)
        return;
    const QString texts[ColumnCount] = {item->directionText(), item->sourceText(),
                                        item->targetText(),    item->sizeText(),
                                        item->stateText(),     item->progressText()};
    for (int column = 0; column < ColumnCount; ++column) {
        if (row->text(column) != texts[column])
            row->setText(column, texts[column]);
    }
    row->setToolTip(Source, texts[Source]);
    row->setToolTip(Target, item->siteLabel + QStringLiteral("  ") + texts[Target]);
    row->setToolTip(State, texts[State]);
    row->setToolTip(Progress, texts[Progress]);
    const bool failed = item->state == TransferItem::State::Failed;
    row->setForeground(State, failed ? QBrush(Qt::darkRed) : QBrush());
    updateButtons(); // clearing follows every line, retrying the current one
}

void TransferList::dropRow(int id) {
    delete rowOf(id);
    updateButtons();
}

void TransferList::updateButtons() {
    const TransferItem* item = queue_.item(selectedId());
    const bool failed = item && item->state == TransferItem::State::Failed;
    retry_->setEnabled(failed);
    retry_->setText(QString::fromUtf8(item && item->resumable() ? PaneText::ResumeTransfer
                                                                : PaneText::RetryTransfer));
    remove_->setEnabled(item && item->state != TransferItem::State::Running);
    clear_->setEnabled(
        std::any_of(queue_.items().cbegin(), queue_.items().cend(),
                    [](const TransferItem& it) { return it.state == TransferItem::State::Done; }));
}

void TransferList::retrySelected() {
    const TransferItem* item = queue_.item(selectedId());
    if (item && item->state == TransferItem::State::Failed)
        emit retryRequested(item->id);
}

void TransferList::removeSelected() {
    queue_.remove(selectedId());
}

void TransferList::clearFinished() {
    queue_.clearFinished();
}

void TransferList::showMenu(const QPoint& at) {
    updateButtons();
    QMenu menu(this);
    for (QPushButton* button : {retry_, remove_, clear_}) {
        QAction* action = menu.addAction(button->text(), button, &QPushButton::click);
        action->setEnabled(button->isEnabled());
    }
    menu.exec(view_->viewport()->mapToGlobal(at));
}

// Delete removes the current row, Enter tries a failed one again: the
// list takes both keys before the window's shortcuts (Delete there deletes
// files).
bool TransferList::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (watched != view_ || (!press && event->type() != QEvent::ShortcutOverride))
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool ours = key == Qt::Key_Delete || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!ours)
        return QWidget::eventFilter(watched, event);
    event->accept();
    if (press && key == Qt::Key_Delete)
        removeSelected();
    else if (press)
        retrySelected();
    return true;
}
