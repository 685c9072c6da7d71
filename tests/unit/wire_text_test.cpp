#include "core/engine/wire_text.h"

#include <gtest/gtest.h>

using Encoding = WireText::Encoding;

TEST(WireText, NamesInBothEncodings) {
    const QString names[] = {QString::fromUtf8("报表 2024.txt"),
                             QString::fromUtf8("café, naïve.txt"), QString::fromUtf8("图片😀.png"),
                             QStringLiteral("plain.txt")};
    const WireText utf8(Encoding::Utf8);
    for (const QString& n : names) {
        EXPECT_EQ(utf8.encode(n), n.toUtf8());
        EXPECT_EQ(utf8.decode(n.toUtf8()), n);
        EXPECT_TRUE(utf8.canEncode(n));
    }
    const WireText gbk(Encoding::Gbk);
    EXPECT_EQ(gbk.encode(QString::fromUtf8("报表")), QByteArray("\xb1\xa8\xb1\xed"));
    EXPECT_EQ(gbk.decode("\xb1\xa8\xb1\xed"), QString::fromUtf8("报表"));
    EXPECT_FALSE(gbk.canEncode(QString::fromUtf8("图片😀.png"))) << "no emoji in code page 936";
}

// Bytes that are not text in the connection's encoding come back as they
// went, however they are mixed with text.
TEST(WireText, UnreadableBytesRoundTrip) {
    const QByteArray samples[] = {
        QByteArray("caf\xe9.txt"),          // Latin-1 on a UTF-8 connection
        QByteArray("\xb1\xa8\xb1\xed.txt"), // code page 936 on a UTF-8 connection
        QByteArray("\xe4\xb8"),             // UTF-8 cut short
        QByteArray("\xc0\xaf"),             // an overlong "/"
        QByteArray("\xed\xa0\x80"),         // an encoded surrogate
        QByteArray("ok\xff\xfe\x80!"),
    };
    for (Encoding e : {Encoding::Utf8, Encoding::Gbk}) {
        const WireText wire(e);
        for (const QByteArray& b : samples)
            EXPECT_EQ(wire.encode(wire.decode(b)), b) << b.toHex().constData();
    }
    const WireText utf8(Encoding::Utf8);
    const QString name = utf8.decode("caf\xe9.txt");
    EXPECT_TRUE(WireText::hasRawBytes(name));
    EXPECT_TRUE(utf8.canEncode(name)) << "kept bytes go back as they came";
    EXPECT_EQ(WireText::withRawBytesShown(name), "caf%E9.txt");
    EXPECT_FALSE(WireText::hasRawBytes(QString::fromUtf8("报表")));
    // An unreadable pair on a code-page-936 connection, the rest readable.
    const WireText gbk(Encoding::Gbk);
    const QString mixed = gbk.decode("\xb1\xa8\xff.txt");
    EXPECT_EQ(mixed.left(1), QString::fromUtf8("报"));
    EXPECT_EQ(gbk.encode(mixed), QByteArray("\xb1\xa8\xff.txt"));
}
