#include "core/engine/transcript.h"

#include "core/platform/gbk_text.h"

QString Transcript::masked(const QString& line) {
    if (!line.startsWith(QLatin1String("PASS")))
        return line;
    // The password is what stands between "PASS " and the line end.
    qsizetype bytes = Gbk::encode(line).size() - 5 - 2;
    return QStringLiteral("PASS ") + QString(qMax<qsizetype>(bytes, 0), QLatin1Char('*')) +
           QStringLiteral("\r\n");
}

QString Transcript::addCommand(const QString& line) {
    if (Gbk::encode(text_).size() > Limit)
        text_.clear();
    QString block = QStringLiteral("C:\r\n") + masked(line);
    text_ += block;
    return block;
}

QString Transcript::addReply(const QString& text) {
    QString block = QStringLiteral("S:\r\n") + text;
    text_ += block;
    return block;
}

QString Transcript::addNote(const QString& text) {
    QString block = text + QStringLiteral("\r\n");
    text_ += block;
    return block;
}
