#include "core/sites/site_record.h"

#include "core/platform/ini_profile.h"
#include "core/platform/stored_text.h"

SiteRecord SiteRecord::withDefaults() {
    SiteRecord r;
    r.name = QString::fromUtf8(NewSiteName);
    r.port = QStringLiteral("21");
    r.user = QStringLiteral("anonymous");
    r.password = QString::fromUtf8(DefaultPassword);
    r.account = QStringLiteral("anonymous");
    r.startFolder = QStringLiteral("/");
    r.tls = TlsMode::IfAvailable;
    return r;
}

QStringList SiteRecord::fields() const {
    return {name,    address,     port,        user,           password,
            account, startFolder, homepageUrl, homepageFtpPath};
}

SiteRecord SiteRecord::fromFields(const QStringList& f) {
    SiteRecord r;
    r.name = f.value(0);
    r.address = f.value(1);
    r.port = f.value(2);
    r.user = f.value(3);
    r.password = f.value(4);
    r.account = f.value(5);
    r.startFolder = f.value(6);
    r.homepageUrl = f.value(7);
    r.homepageFtpPath = f.value(8);
    return r;
}

TlsMode tlsModeOfServer(const QList<SiteRecord>& sites, const QString& address, int port) {
    for (const SiteRecord& site : sites)
        if (site.address == address && site.portNumber() == port)
            return site.tls;
    return TlsMode::IfAvailable;
}

int SiteRecord::portNumber() const {
    const int number = IniProfile::leadingInt(port);
    return number > 0 ? number : 21;
}

namespace {

// Labels of the nine fields as the properties dialog shows them.
const char* const kFieldLabels[] = {"站点名称", "站点地址", "连接端口", "用户名称",   "用户密码",
                                    "帐号",     "起始目录", "主页URL",  "主页FTP路径"};

// Commas end fields 1 to 8 in the store; the last field takes the rest.
QString fieldProblem(int index, const QString& value) {
    return StoredText::problem(QString::fromUtf8(kFieldLabels[index]), value, index == 8);
}

} // namespace

QString SiteRecord::nameProblem(const QString& name) {
    return fieldProblem(0, name);
}

QString SiteRecord::problem() const {
    const QStringList values = fields();
    for (int i = 0; i < values.size(); ++i) {
        const QString text = fieldProblem(i, values.at(i));
        if (!text.isEmpty())
            return text;
    }
    return portProblem();
}

QString SiteRecord::portProblem() const {
    return StoredText::portProblem(QString::fromUtf8(kFieldLabels[2]), port);
}
