#pragma once

#include <QWidget>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TransferQueue;

// The transfer list: every transfer of this run, waiting, running, done or
// failed, with its direction, source, target, size, state and progress;
// a failed one can be tried again (or resumed where it stopped), and those
// done can be cleared.
class TransferList : public QWidget {
    Q_OBJECT
public:
    enum Column { Direction, Source, Target, Size, State, Progress, ColumnCount };

    explicit TransferList(TransferQueue& queue, QWidget* parent = nullptr);

    QTreeWidget* view() const { return view_; }
    // The row of a transfer, or null.
    QTreeWidgetItem* rowOf(int id) const;
    // The transfer of the current row, or 0.
    int selectedId() const;
    // The commands, as the buttons and the row's menu give them.
    void retrySelected();
    void removeSelected();
    void clearFinished();

signals:
    // The user wants this failed transfer run again.
    void retryRequested(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addRow(int id);
    void showRow(int id);
    void dropRow(int id);
    void updateButtons();
    void showMenu(const QPoint& at);

    TransferQueue& queue_;
    QTreeWidget* view_ = nullptr;
    QPushButton* retry_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* clear_ = nullptr;
};
