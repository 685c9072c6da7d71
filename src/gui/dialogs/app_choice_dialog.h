#pragma once

#include "core/platform/desktop_apps.h"
#include "gui/dialogs/help_dialog.h"

class QPushButton;
class QTreeWidget;

// "使用应用程序选择": the application a file is edited with, from those
// chosen before ("openapp.txt") and those the desktop registers for the
// file's type. "其他程序" closes with no choice, for a file chooser.
class AppChoiceDialog : public HelpDialog {
    Q_OBJECT
public:
    AppChoiceDialog(const QStringList& chosenBefore, const QList<DesktopApps::App>& registered,
                    QWidget* parent = nullptr);
    // The chosen application's full path; empty for "其他程序".
    QString chosen() const { return chosen_; }
    bool isEmpty() const;

private:
    void rowChanged();

    QTreeWidget* list_;
    QPushButton* ok_ = nullptr;
    QString chosen_;
};
