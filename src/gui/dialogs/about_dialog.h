#pragma once

#include <QDialog>

// "关于corvane...": the program's picture, name and version, and a close
// button.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static constexpr const char* HomePageUrl = "https://corvane.example/";
};
