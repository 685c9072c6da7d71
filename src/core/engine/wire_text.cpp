#include "core/engine/wire_text.h"

#include "core/platform/gbk_text.h"

#include <QStringDecoder>

namespace {

constexpr char16_t RawBase = 0xDC00; // U+DC80..U+DCFF stand for bytes 0x80..0xFF

bool isRaw(char16_t c) {
    return c >= RawBase + 0x80 && c <= RawBase + 0xFF;
}

// A UTF-8 sequence at `i`: its length when it is well formed (no overlong
// forms, no surrogates, nothing past U+10FFFF), else 0.
int utf8Length(const QByteArray& b, qsizetype i) {
    const uchar c = uchar(b[i]);
    int n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > b.size())
        return 0;
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < n; ++k) {
        const uchar t = uchar(b[i + k]);
        if ((t & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

QString decodeUtf8(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int n = utf8Length(bytes, i);
        if (n == 0) {
            out += QChar(char16_t(RawBase + uchar(bytes[i])));
            ++i;
            continue;
        }
        out += QString::fromUtf8(bytes.constData() + i, n);
        i += n;
    }
    return out;
}

// Code page 936 is decoded whole; only text with a byte it cannot read is
// gone through character by character.
QString decodeGbk(const QByteArray& bytes) {
    const QString whole = Gbk::decode(bytes);
    if (!whole.contains(QChar::ReplacementCharacter))
        return whole;
    QString out;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const uchar c = uchar(bytes[i]);
        if (c < 0x80) {
            out += QChar(c);
            ++i;
            continue;
        }
        if (i + 1 < bytes.size()) {
            const QString pair = Gbk::decode(bytes.mid(i, 2));
            if (pair.size() == 1 && pair.at(0) != QChar::ReplacementCharacter) {
                out += pair;
                i += 2;
                continue;
            }
        }
        out += QChar(char16_t(RawBase + c));
        ++i;
    }
    return out;
}

} // namespace

QByteArray WireText::encode(const QString& text) const {
    QByteArray out;
    qsizetype runStart = 0;
    const auto flush = [&](qsizetype end) {
        const QString run = text.mid(runStart, end - runStart);
        out += encoding_ == Encoding::Utf8 ? run.toUtf8() : Gbk::encode(run);
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isRaw(text.at(i).unicode()))
            continue;
        flush(i);
        out += char(text.at(i).unicode() - RawBase);
        runStart = i + 1;
    }
    flush(text.size());
    return out;
}

QString WireText::decode(const QByteArray& bytes) const {
    return encoding_ == Encoding::Utf8 ? decodeUtf8(bytes) : decodeGbk(bytes);
}

// Bytes kept from a listing always go back as they came; the rest must be
// text the encoding holds.
bool WireText::canEncode(const QString& text) const {
    QString plain = text;
    plain.removeIf([](QChar c) { return isRaw(c.unicode()); });
    return decode(encode(plain)) == plain;
}

bool WireText::hasRawBytes(const QString& text) {
    for (QChar c : text)
        if (isRaw(c.unicode()))
            return true;
    return false;
}

QString WireText::withRawBytesShown(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (isRaw(c.unicode()))
            out += QStringLiteral("%%1")
                       .arg(int(c.unicode() - RawBase), 2, 16, QLatin1Char('0'))
                       .toUpper();
        else
            out += c;
    }
    return out;
}
