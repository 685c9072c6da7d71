#pragma once

#include <QByteArray>
#include <QString>

// The text of one connection's command lines, replies and listings: code
// page 936 (the program's own) or UTF-8 (what most servers speak today).
//
// Names pass through unchanged whatever they hold: a byte that is not valid
// text in the connection's encoding is decoded to one of the 128 code units
// U+DC80..U+DCFF (never valid on their own in a QString) and encoded back to
// that same byte. A listed name that cannot be read is therefore still sent
// back, byte for byte, in RETR, DELE or RNFR.
class WireText {
public:
    enum class Encoding { Gbk, Utf8 };
    // What a site asks for: found out per connection ("FEAT" lists "UTF8"),
    // or fixed.
    enum class Choice { Auto, Utf8, Gbk };

    explicit WireText(Encoding encoding = Encoding::Gbk) : encoding_(encoding) {}
    Encoding encoding() const { return encoding_; }
    void setEncoding(Encoding e) { encoding_ = e; }

    QByteArray encode(const QString& text) const;
    QString decode(const QByteArray& bytes) const;
    // Whether `text` goes out as it stands (a character the encoding cannot
    // hold would arrive as "?" and name another file).
    bool canEncode(const QString& text) const;

    // Whether `text` holds bytes that were not valid text.
    static bool hasRawBytes(const QString& text);
    // `text` with each such byte written "%XX", for a local file name.
    static QString withRawBytesShown(const QString& text);

private:
    Encoding encoding_;
};
