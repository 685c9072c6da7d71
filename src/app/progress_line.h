#pragma once

#include <QElapsedTimer>
#include <QString>

// A one-line progress display on a terminal, rewritten in place: name,
// bytes, percentage and speed.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : enabled_(enabled) {}
    void start(const QString& name, quint64 baseline);
    void update(quint64 bytes, quint64 expected);
    void finish();

    // "1.50 MiB" and the like.
    static QString humanBytes(double bytes);

private:
    bool enabled_;
    bool shown_ = false;
    QString name_;
    quint64 baseline_ = 0;
    QElapsedTimer started_;
};
