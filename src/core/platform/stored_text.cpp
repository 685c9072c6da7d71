#include "core/platform/stored_text.h"

#include "core/platform/gbk_text.h"

bool StoredText::breaksLine(const QString& value) {
    return value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')) ||
           value.contains(QChar(0));
}

QString StoredText::portProblem(const QString& label, const QString& text) {
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    if (ok && port >= 1 && port <= 65535)
        return {};
    return label + QString::fromUtf8("必须是1到65535之间的数字！");
}

QString StoredText::problem(const QString& label, const QString& value, bool commasAllowed) {
    if (breaksLine(value))
        return label + QString::fromUtf8("不能含有换行符或空字符！");
    if (!commasAllowed && value.contains(QLatin1Char(',')))
        return label + QString::fromUtf8("不能含有逗号（,）！");
    if (!Gbk::canEncode(value))
        return label + QString::fromUtf8("含有不能保存的字符（只能使用GBK字符）！");
    return {};
}
