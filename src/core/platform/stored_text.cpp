#include "core/platform/stored_text.h"

#include "core/platform/gbk_text.h"

QString StoredText::problem(const QString& label, const QString& value, bool commasAllowed) {
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')) ||
        value.contains(QChar(0)))
        return label + QString::fromUtf8("不能含有换行符或空字符！");
    if (!commasAllowed && value.contains(QLatin1Char(',')))
        return label + QString::fromUtf8("不能含有逗号（,）！");
    if (!Gbk::canEncode(value))
        return label + QString::fromUtf8("含有不能保存的字符（只能使用GBK字符）！");
    return {};
}
