#pragma once

#include <QElapsedTimer>
#include <QString>

// A one-line progress display on a terminal, rewritten in place: name,
// bytes, percentage and speed.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : enabled_(enabled) {}
    void start(const QString& name, quint32 baseline);
    void update(quint32 bytes, quint32 expected);
    void finish();

    // "1.50 MiB" and the like.
    static QString humanBytes(double bytes);

private:
    bool enabled_;
    bool shown_ = false;
    QString name_;
    quint32 baseline_ = 0;
    QElapsedTimer started_;
};
