#pragma once

#include "sites/site_record.h"

#include <QDialog>

class Prompts;
class QGroupBox;
class QLineEdit;

// "FTP站点属性": shows and edits every field of a site but its name. On OK
// the fields are trimmed and the homepage fields put in their form; the
// address, port, user and start folder may not be empty.
class SitePropertiesDialog : public QDialog {
    Q_OBJECT
public:
    SitePropertiesDialog(const SiteRecord& site, Prompts& prompts, QWidget* parent = nullptr);

    // The fields as confirmed (the name as given).
    SiteRecord record() const { return site_; }

    static constexpr const char* HelpKeyword = "FTP站点属性";

signals:
    // Help button or F1: the frame opens the help at this keyword.
    void helpRequested(const QString& keyword);

public slots:
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* addEdit(QWidget* parent, const char* objectName, const char* label, int x, int y,
                       int labelWidth, int width, const QString& text);
    QRect du(int x, int y, int w, int h) const; // dialog units to pixels

    Prompts& prompts_;
    SiteRecord site_;
    QLineEdit* address_;
    QLineEdit* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* account_;
    QLineEdit* startFolder_;
    QLineEdit* homepageUrl_;
    QLineEdit* homepageFtpPath_;
};
