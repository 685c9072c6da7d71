#pragma once

#include "core/sites/site_record.h"

#include "gui/dialogs/help_dialog.h"

class Prompts;
class QGroupBox;
class QComboBox;
class QLineEdit;

// "FTP站点属性": shows and edits every field of a site but its name. On OK
// the fields are trimmed and the homepage fields put in their form; the
// address, port, user and start folder may not be empty.
class SitePropertiesDialog : public HelpDialog {
    Q_OBJECT
public:
    SitePropertiesDialog(const SiteRecord& site, Prompts& prompts, QWidget* parent = nullptr);

    // The fields as confirmed (the name as given).
    SiteRecord record() const { return site_; }

    static constexpr const char* HelpKeyword = "FTP站点属性";

public slots:
    void accept() override;

private:
    QLineEdit* addEdit(QWidget* parent, const char* objectName, const char* label, int x, int y,
                       int labelWidth, int width, const QString& text);

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
    QComboBox* encoding_;
    QComboBox* tls_;
};
