#include "core/platform/gbk_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>

namespace Gbk {

namespace {

// Converters are costly to make (a lookup by name each time) and cheap to
// reuse; one pair per thread, since they keep state while converting.
QStringEncoder& encoder() {
    thread_local QStringEncoder e("GBK");
    return e;
}

QStringDecoder& decoder() {
    thread_local QStringDecoder d("GBK");
    return d;
}

bool isAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool isAscii(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

} // namespace

// Code page 936 leaves ASCII as it is, which is most protocol text.
QByteArray encode(const QString& text) {
    if (isAscii(text))
        return text.toLatin1();
    QStringEncoder& e = encoder();
    e.resetState();
    return e.encode(text);
}

QString decode(const QByteArray& bytes) {
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QStringDecoder& d = decoder();
    d.resetState();
    return d.decode(bytes);
}

bool canEncode(const QString& text) {
    return isAscii(text) || decode(encode(text)) == text;
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

namespace {

// Latin capitals only: every other character keeps its code-page bytes.
QString latinLower(QString text) {
    for (QChar& c : text)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return text;
}

} // namespace

QByteArray Gbk::noCaseKey(const QString& text) {
    return encode(latinLower(text));
}

int Gbk::compareNoCase(const QString& a, const QString& b) {
    const QByteArray x = noCaseKey(a);
    const QByteArray y = noCaseKey(b);
    const int order = std::memcmp(x.constData(), y.constData(), size_t(qMin(x.size(), y.size())));
    if (order != 0)
        return order < 0 ? -1 : 1;
    return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}
