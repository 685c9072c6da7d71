#include "gui/dialogs/site_properties_dialog.h"

#include "core/platform/prompts.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

SitePropertiesDialog::SitePropertiesDialog(const SiteRecord& site, Prompts& prompts,
                                           QWidget* parent)
    : HelpDialog(HelpKeyword, parent), prompts_(prompts), site_(site) {
    setWindowTitle(QString::fromUtf8("FTP站点属性"));
    setFixedSize(du(0, 0, 192, 238).size());

    auto* siteBox = new QGroupBox(QString::fromUtf8("站点名称：") + site.name, this);
    siteBox->setObjectName("siteBox");
    siteBox->setGeometry(du(7, 7, 178, 115));
    auto* homeBox = new QGroupBox(QString::fromUtf8("主页目录属性"), this);
    homeBox->setGeometry(du(7, 127, 178, 49));

    // Rows inside the boxes; positions are those of the dialog, less the box's.
    address_ = addEdit(siteBox, "address", "站点地址", 69 - 7, 22 - 7, 50, 107, site.address);
    port_ = addEdit(siteBox, "port", "连接端口", 69 - 7, 38 - 7, 50, 107, site.port);
    port_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), port_));
    user_ = addEdit(siteBox, "user", "用户名称", 69 - 7, 54 - 7, 50, 107, site.user);
    password_ = addEdit(siteBox, "password", "用户密码", 69 - 7, 70 - 7, 50, 107, site.password);
    password_->setEchoMode(QLineEdit::Password);
    account_ = addEdit(siteBox, "account", "帐          号", 69 - 7, 86 - 7, 50, 107, site.account);
    startFolder_ =
        addEdit(siteBox, "startFolder", "起始目录", 69 - 7, 102 - 7, 50, 107, site.startFolder);
    homepageUrl_ =
        addEdit(homeBox, "homepageUrl", "主页URL", 95 - 7, 141 - 127, 76, 82, site.homepageUrl);
    homepageFtpPath_ = addEdit(homeBox, "homepageFtpPath", "主页FTP路径", 95 - 7, 157 - 127, 76, 82,
                               site.homepageFtpPath);

    // The account follows the user name unless it is edited afterwards.
    connect(user_, &QLineEdit::textChanged, account_, &QLineEdit::setText);

    auto* encodingLabel = new QLabel(QString::fromUtf8("文件名编码"), this);
    encodingLabel->setGeometry(du(14, 183, 60, 10));
    encoding_ = new QComboBox(this);
    encoding_->setObjectName("encoding");
    encoding_->addItems(
        {QString::fromUtf8("自动"), QStringLiteral("UTF-8"), QStringLiteral("GBK")});
    encoding_->setGeometry(du(95, 181, 83, 14));
    encodingLabel->setBuddy(encoding_);
    encoding_->setCurrentIndex(site.encoding == QLatin1String(SiteRecord::Utf8)  ? 1
                               : site.encoding == QLatin1String(SiteRecord::Gbk) ? 2
                                                                                 : 0);

    // Encryption, in the order of TlsMode.
    auto* tlsLabel = new QLabel(QString::fromUtf8("加密"), this);
    tlsLabel->setGeometry(du(14, 201, 30, 10));
    tls_ = new QComboBox(this);
    tls_->setObjectName("tls");
    tls_->addItems({QString::fromUtf8("不加密"), QString::fromUtf8("如果可用则使用显式TLS"),
                    QString::fromUtf8("要求显式TLS")});
    tls_->setGeometry(du(50, 199, 128, 14));
    tlsLabel->setBuddy(tls_);
    tls_->setCurrentIndex(int(site.tls));

    addButtons(QRect(26, 217, 35, 14), QRect(73, 217, 35, 14), QRect(120, 217, 44, 14));
}

QLineEdit* SitePropertiesDialog::addEdit(QWidget* parent, const char* objectName, const char* label,
                                         int x, int y, int labelWidth, int width,
                                         const QString& text) {
    auto* caption = new QLabel(QString::fromUtf8(label), parent);
    caption->setGeometry(du(14 - 7, y + 2, labelWidth, 10));
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(objectName);
    edit->setGeometry(du(x, y, width, 14));
    caption->setBuddy(edit);
    return edit;
}

void SitePropertiesDialog::accept() {
    SiteRecord r = site_;
    r.address = address_->text().trimmed();
    r.port = port_->text().trimmed();
    r.user = user_->text().trimmed();
    r.password = password_->text().trimmed();
    r.account = account_->text().trimmed();
    r.startFolder = startFolder_->text().trimmed();
    r.homepageUrl = homepageUrl_->text().trimmed();
    r.homepageFtpPath = homepageFtpPath_->text().trimmed();
    const int encoding = encoding_->currentIndex();
    r.encoding = encoding == 1   ? QString::fromLatin1(SiteRecord::Utf8)
                 : encoding == 2 ? QString::fromLatin1(SiteRecord::Gbk)
                                 : QString();
    r.tls = TlsMode(tls_->currentIndex());
    // The URL and the FTP path each name a page or, ending in "/", a folder,
    // and the web address of a file is found from the folders they are in:
    // both are kept as typed. Only an address with no path at all
    // ("http://host") gets the "/" of its root.
    const qsizetype hostStart = r.homepageUrl.indexOf(QLatin1String("://"));
    if (hostStart > 0 && r.homepageUrl.indexOf(QLatin1Char('/'), hostStart + 3) < 0)
        r.homepageUrl += QLatin1Char('/');
    if (r.address.isEmpty() || r.port.isEmpty() || r.user.isEmpty() || r.startFolder.isEmpty()) {
        prompts_.report(QString::fromUtf8("地址、端口、用户、起始目录不能为空！"));
        return; // stays open
    }
    const QString problem = r.problem();
    if (!problem.isEmpty()) {
        prompts_.report(problem);
        return;
    }
    site_ = r;
    QDialog::accept();
}
