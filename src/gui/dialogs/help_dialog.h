#pragma once

#include <QDialog>

class QPushButton;

// A dialog with the program's OK, Cancel and Help buttons: the help button
// and F1 ask the main window to open the help at the dialog's keyword.
class HelpDialog : public QDialog {
    Q_OBJECT
public:
    HelpDialog(const char* helpKeyword, QWidget* parent);

signals:
    void helpRequested(const QString& keyword);

protected:
    // The three buttons at their places, in dialog units.
    void addButtons(const QRect& ok, const QRect& cancel, const QRect& help);
    // Dialog units of this dialog's font, in pixels.
    QRect du(int x, int y, int w, int h) const;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString helpKeyword_;
};
