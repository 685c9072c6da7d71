#include "gui/dialogs/network_settings_dialog.h"

#include "core/platform/prompts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

constexpr int ProxyItem = 0;

} // namespace

NetworkSettingsDialog::NetworkSettingsDialog(const NetworkSettings& settings,
                                             const QString& iniPath, Prompts& prompts,
                                             QWidget* parent)
    : HelpDialog(HelpKeyword, parent), settings_(settings), iniPath_(iniPath), prompts_(prompts) {
    setWindowTitle(QString::fromUtf8("上网属性"));
    // Wide enough for the longest caption, "代理服务器用户密码", in CJK fonts.
    setFixedSize(du(0, 0, 186, 173).size());
    const auto row = [&](QWidget* field, const char* name, const char* label, int y) {
        auto* caption = new QLabel(QString::fromUtf8(label), this);
        caption->setGeometry(du(10, y + 2, 78, 10));
        caption->setBuddy(field);
        field->setObjectName(name);
        field->setGeometry(du(92, y, 84, 13));
    };

    mode_ = new QComboBox(this);
    mode_->addItems({QString::fromUtf8("代理连接上网"), QString::fromUtf8("直接连接上网")});
    row(mode_, "mode", "上网连接方式", 10);
    host_ = new QLineEdit(this);
    row(host_, "proxyHost", "代理服务器地址", 30);
    port_ = new QLineEdit(this);
    port_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), port_));
    row(port_, "proxyPort", "代理连接端口", 48);
    user_ = new QLineEdit(this);
    row(user_, "proxyUser", "代理服务器用户", 66);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    row(password_, "proxyPass", "代理服务器用户密码", 84);
    segments_ = new QComboBox(this);
    segments_->setEditable(true);
    segments_->addItems({"1", "2", "3", "4", "5"});
    row(segments_, "segments", "分段下载最多段数", 104);
    // In the order of DataMode.
    dataMode_ = new QComboBox(this);
    dataMode_->addItems(
        {QString::fromUtf8("自动"), QString::fromUtf8("主动"), QString::fromUtf8("被动")});
    row(dataMode_, "dataMode", "数据连接模式", 122);

    addButtons(QRect(19, 150, 40, 14), QRect(73, 150, 40, 14), QRect(127, 150, 44, 14));

    dataMode_->setCurrentIndex(int(settings_.dataMode));

    segments_->setCurrentText(settings_.maxSegments);
    if (settings_.useProxy) {
        mode_->setCurrentIndex(ProxyItem);
        host_->setText(settings_.proxyHost);
        port_->setText(settings_.proxyPort);
        user_->setText(settings_.proxyUser);
        password_->setText(settings_.proxyPass);
    } else {
        mode_->setCurrentIndex(1);
    }
    applyMode();
    connect(mode_, &QComboBox::currentIndexChanged, this, &NetworkSettingsDialog::applyMode);
}

bool NetworkSettingsDialog::proxyMode() const {
    return mode_->currentIndex() == ProxyItem;
}

void NetworkSettingsDialog::applyMode() {
    const bool proxy = proxyMode();
    for (QLineEdit* edit : {host_, port_, user_, password_})
        edit->setEnabled(proxy);
    if (proxy)
        segments_->setCurrentIndex(0);
    segments_->setEnabled(!proxy);
}

void NetworkSettingsDialog::accept() {
    NetworkSettings s = settings_;
    s.maxSegments = segments_->currentText();
    s.dataMode = DataMode(dataMode_->currentIndex());
    s.useProxy = proxyMode();
    if (s.useProxy) {
        s.proxyHost = host_->text().trimmed();
        s.proxyPort = port_->text().trimmed();
        s.proxyUser = user_->text().trimmed();
        s.proxyPass = password_->text().trimmed();
    } else {
        s.proxyHost.clear();
        s.proxyPort.clear();
        s.proxyUser.clear();
        s.proxyPass.clear();
    }
    const QString problem = s.problem();
    if (!problem.isEmpty()) {
        prompts_.report(problem);
        return; // stays open
    }
    settings_ = s;
    settings_.write(iniPath_); // a failure to write is not reported
    QDialog::accept();
}
