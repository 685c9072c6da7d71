#include "platform/gbk_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Gbk {

QByteArray encode(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString decode(const QByteArray& bytes) {
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

QString fitted(const QString& text, int maxBytes) {
    if (encode(text).size() <= maxBytes)
        return text;
    QString result;
    int used = 0;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype step = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QString ch = text.mid(i, step);
        int bytes = int(encode(ch).size());
        if (used + bytes > maxBytes)
            break;
        result += ch;
        used += bytes;
        i += step;
    }
    return result;
}

} // namespace Gbk
