#pragma once

#include "core/settings/network_settings.h"

#include "gui/dialogs/help_dialog.h"

class Prompts;
class QComboBox;
class QLineEdit;

// "上网属性": direct or proxy connection, the proxy's address, port, user
// and password, and the most segments a download may use. OK writes the
// settings file; the main window takes the settings for the next connection.
class NetworkSettingsDialog : public HelpDialog {
    Q_OBJECT
public:
    NetworkSettingsDialog(const NetworkSettings& settings, const QString& iniPath, Prompts& prompts,
                          QWidget* parent = nullptr);

    NetworkSettings settings() const { return settings_; }

    static constexpr const char* HelpKeyword = "网络属性";

public slots:
    void accept() override;

private:
    // Proxy fields editable only in proxy mode; one segment through a proxy.
    void applyMode();
    bool proxyMode() const;

    NetworkSettings settings_;
    QString iniPath_;
    Prompts& prompts_;
    QComboBox* mode_;
    QLineEdit* host_;
    QLineEdit* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QComboBox* segments_;
    QComboBox* dataMode_;
};
