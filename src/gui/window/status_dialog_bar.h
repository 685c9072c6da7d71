#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The bar at the bottom of the main window: in idle mode one status line (the
// welcome text or the current phase); while a file transfer runs, bytes
// with percentage, a progress bar, the speed and the elapsed time.
class StatusDialogBar : public QWidget {
    Q_OBJECT
public:
    explicit StatusDialogBar(QWidget* parent = nullptr);

    void setProgressMode(bool on);
    bool inProgressMode() const;
    // Idle mode with this text, or the welcome text when it is empty.
    void setStatusLine(const QString& text);
    // "TLSv1.3" while the connection is encrypted, empty when it is not.
    void setSecurity(const QString& protocol);
    QString securityText() const;
    // While connected: the site, its address, the data mode and the names'
    // text ("本机 | 127.0.0.1:21 | 被动模式 | UTF-8"); empty when not.
    void setConnection(const QString& text);
    QString connectionText() const;
    // How the last operation ended ("所有操作已成功完成！ 10:44"), kept in
    // both modes until the next one ends; empty hides it.
    void setResult(const QString& text);
    QString resultText() const;
    void showProgress(const QString& bytesText, int percent, const QString& speedText,
                      const QString& elapsedText);

    QString statusLine() const;
    QString bytesText() const;
    QString speedText() const;
    QString elapsedText() const;
    int percent() const;

private:
    QLabel* bytes_;      // 1027
    QProgressBar* bar_;  // 1028
    QLabel* speed_;      // 1025
    QLabel* elapsed_;    // 1026
    QLabel* statusLine_; // 1029
    QLabel* result_;     // the last operation's end
    QLabel* connection_; // shown in both modes while connected
    QLabel* security_;   // shown in both modes while encrypted
};
