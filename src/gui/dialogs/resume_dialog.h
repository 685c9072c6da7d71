#pragma once

#include <QDialog>

class QPlainTextEdit;
class QTreeWidget;

// "中断任务续传": the task files of the program folder with their
// descriptions; a task is resumed or deleted from here.
class ResumeDialog : public QDialog {
    Q_OBJECT
public:
    explicit ResumeDialog(const QString& programDir, QWidget* parent = nullptr);
    // The task chosen with the resume button; empty otherwise.
    QString chosenTask() const { return chosen_; }
    QTreeWidget* list() const { return list_; }

private:
    void showDescription();
    void deleteSelected();
    void resumeSelected();

    QString programDir_;
    QTreeWidget* list_;
    QPlainTextEdit* description_;
    QString chosen_;
};
