#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

// The bar above a file list: which side it is (本地, 站点 or the connected
// site's name) and the folder the list shows. A path typed there and
// confirmed with Enter is handed on; Escape puts the folder shown back.
class PathBar : public QWidget {
    Q_OBJECT
public:
    PathBar(const QString& side, QWidget* parent = nullptr);

    void setSide(const QString& side);
    QString side() const;
    // The folder shown; left alone while the user is typing in the bar.
    void setPath(const QString& path);
    QString path() const;
    QLineEdit* edit() const { return edit_; }
    // The pattern the list's rows are chosen by, shown with a button that
    // clears it; hidden when there is none.
    void setPattern(const QString& pattern);
    QToolButton* patternButton() const { return pattern_; }

signals:
    void pathEntered(const QString& path);
    void patternCleared();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* side_;
    QLineEdit* edit_;
    QToolButton* pattern_;
    QString shown_;
};
