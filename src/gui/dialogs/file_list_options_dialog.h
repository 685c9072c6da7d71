#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
struct ListFilters;

// "文件列表选项": the name patterns of the local and the site file list,
// each with its "条件一直保持" box.
class FileListOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit FileListOptionsDialog(const ListFilters& filters, QWidget* parent = nullptr);
    // Hands the answer to `filters` (which trims it and applies the keep rule).
    void applyTo(ListFilters& filters) const;

private:
    QLineEdit* localPattern_;
    QCheckBox* keepLocal_;
    QLineEdit* sitePattern_;
    QCheckBox* keepSite_;
};
