#include "core/tasks/task_archive.h"

#include "core/platform/gbk_text.h"

#include <QtEndian>

#include <array>

namespace TaskArchive {

namespace {

void appendU8(QByteArray& out, quint8 v) {
    out.append(char(v));
}

void appendU16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void appendU32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void appendInt(QByteArray& out, qint32 v) {
    appendU32(out, quint32(v));
}

void appendCount(QByteArray& out, quint32 count) {
    if (count < 0xFFFF) {
        appendU16(out, quint16(count));
    } else {
        appendU16(out, 0xFFFF);
        appendU32(out, count);
    }
}

void appendStringList(QByteArray& out, const QStringList& list) {
    appendCount(out, quint32(list.size()));
    for (const QString& s : list)
        appendString(out, s);
}

// The addition after the fields of earlier versions: "CVX1".
constexpr quint32 ExactMark = 0x31585643;
// The second addition, only for tasks holding files of 4 GiB or more:
// "CVX2".
constexpr quint32 LargeMark = 0x32585643;
constexpr quint64 LargeSize = Q_UINT64_C(1) << 32;

// The items earlier versions are given: those whose size their 32-bit
// field holds. The others they skip; only the second addition has them.
QList<qsizetype> itemsForEarlierReaders(const TaskContents& t) {
    QList<qsizetype> kept;
    for (qsizetype i = 0; i < t.itemPaths.size(); ++i)
        if (t.itemSizes.value(i) < LargeSize)
            kept << i;
    return kept;
}

template <typename T> QList<T> pick(const QList<T>& list, const QList<qsizetype>& indexes) {
    QList<T> picked;
    picked.reserve(indexes.size());
    for (qsizetype i : indexes)
        picked << list.value(i);
    return picked;
}

void appendExact(QByteArray& out, const QString& text) {
    appendU32(out, quint32(text.size()));
    for (QChar c : text)
        appendU16(out, c.unicode());
}

void appendExactList(QByteArray& out, const QStringList& list) {
    appendU32(out, quint32(list.size()));
    for (const QString& s : list)
        appendExact(out, s);
}

// Every text field of the task, in the order the addition keeps them.
template <typename Task> auto exactTexts(Task& t) {
    return std::array{&t.description,
                      &t.site,
                      &t.user,
                      &t.password,
                      t.update ? &t.localBase : &t.targetFolder,
                      t.update ? &t.remoteBase : &t.sourceFolder};
}

// Reads the archive front to back; any read past the end marks it failed.
class Reader {
public:
    explicit Reader(const QByteArray& bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }

    quint32 u(int width) {
        if (!ok_ || pos_ + width > bytes_.size()) {
            ok_ = false;
            return 0;
        }
        const uchar* p = reinterpret_cast<const uchar*>(bytes_.constData()) + pos_;
        pos_ += width;
        return width == 1   ? *p
               : width == 2 ? qFromLittleEndian<quint16>(p)
                            : qFromLittleEndian<quint32>(p);
    }
    qint32 integer() { return qint32(u(4)); }

    QString string() {
        quint32 length = u(1);
        if (length == 0xFF) {
            length = u(2);
            if (length == 0xFFFF)
                length = u(4);
        }
        if (!ok_ || length > quint32(bytes_.size() - pos_)) {
            ok_ = false;
            return {};
        }
        QString s = Gbk::decode(bytes_.mid(pos_, length));
        pos_ += length;
        return s;
    }

    quint32 count() {
        quint32 n = u(2);
        if (n == 0xFFFF)
            n = u(4);
        // Every element takes at least one byte: a larger count is damage.
        if (n > quint32(bytes_.size() - pos_))
            ok_ = false;
        return ok_ ? n : 0;
    }

    QStringList stringList() {
        QStringList list;
        const quint32 n = count();
        for (quint32 i = 0; i < n && ok_; ++i)
            list << string();
        return list;
    }

    template <typename T> QList<T> integers(qsizetype n) {
        QList<T> list;
        if (n * 4 > bytes_.size() - pos_) {
            ok_ = false;
            return list;
        }
        for (qsizetype i = 0; i < n; ++i)
            list << T(u(4));
        return list;
    }

    bool atEnd() const { return pos_ >= bytes_.size(); }
    qsizetype left() const { return bytes_.size() - pos_; }

    QString exact() {
        const quint32 length = u(4);
        if (!ok_ || length > quint32(bytes_.size() - pos_) / 2) {
            ok_ = false;
            return {};
        }
        QString s(qsizetype(length), Qt::Uninitialized);
        for (quint32 i = 0; i < length; ++i)
            s[i] = QChar(char16_t(u(2)));
        return s;
    }

    QStringList exactList() {
        QStringList list;
        const quint32 n = u(4);
        // Every element takes at least four bytes: a larger count is damage.
        if (n > quint32(bytes_.size() - pos_) / 4)
            ok_ = false;
        for (quint32 i = 0; i < n && ok_; ++i)
            list << exact();
        return list;
    }

private:
    const QByteArray& bytes_;
    qsizetype pos_ = 0;
    bool ok_ = true;
};

// The whole item list of a task with files of 4 GiB or more, in the place
// of the one earlier versions read.
bool readLargeItems(Reader& r, TaskContents& t) {
    const quint32 n = r.u(4);
    if (!r.ok() || n > quint32(r.left() / 14))
        return false;
    QStringList paths;
    QList<quint64> sizes;
    QList<qint32> kinds;
    for (quint32 i = 0; i < n && r.ok(); ++i) {
        paths << r.exact();
        const quint64 low = r.u(4);
        sizes << (low | (quint64(r.u(4)) << 32));
        kinds << r.integer();
    }
    t.headFresh = r.integer() != 0;
    if (!r.ok())
        return false;
    t.itemPaths = paths;
    t.itemSizes = sizes;
    t.itemKinds = kinds;
    return true;
}

void readHeader(Reader& r, TaskContents& t) {
    t.description = r.string();
    t.site = r.string();
    t.port = r.integer();
    t.user = r.string();
    t.password = r.string();
}

} // namespace

void appendString(QByteArray& out, const QString& text) {
    const QByteArray bytes = Gbk::encode(text);
    const quint32 n = quint32(bytes.size());
    if (n < 0xFF) {
        appendU8(out, quint8(n));
    } else if (n < 0xFFFE) {
        appendU8(out, 0xFF);
        appendU16(out, quint16(n));
    } else {
        appendU8(out, 0xFF);
        appendU16(out, 0xFFFF);
        appendU32(out, n);
    }
    out.append(bytes);
}

QByteArray encode(const TaskContents& t) {
    QByteArray out;
    // Rewritten before every item: size it once rather than grow it.
    qsizetype estimate = 256 + t.description.size() * 2;
    for (const QString& p : t.itemPaths)
        estimate += p.size() * 2 + 11;
    for (const QString& p : t.updatePaths)
        estimate += p.size() * 2 + 7;
    out.reserve(estimate);
    appendString(out, t.description);
    appendString(out, t.site);
    appendInt(out, t.port);
    appendString(out, t.user);
    appendString(out, t.password);
    appendInt(out, t.update ? 1 : 0);
    if (t.update) {
        appendString(out, t.localBase);
        appendString(out, t.remoteBase);
        appendStringList(out, t.updatePaths);
        for (qint32 k : t.updateKinds)
            appendInt(out, k);
    }
    const QList<qsizetype> small = itemsForEarlierReaders(t);
    const bool large = !t.update && small.size() != t.itemPaths.size();
    const QStringList earlierPaths = large ? pick(t.itemPaths, small) : t.itemPaths;
    if (!t.update) {
        appendInt(out, t.editMode ? 1 : 0);
        appendInt(out, t.isDownload ? 1 : 0);
        appendString(out, t.targetFolder);
        appendString(out, t.sourceFolder);
        appendStringList(out, earlierPaths);
        for (quint64 s : large ? pick(t.itemSizes, small) : t.itemSizes)
            appendU32(out, quint32(s));
        for (qint32 k : large ? pick(t.itemKinds, small) : t.itemKinds)
            appendInt(out, k);
        // Past the fields earlier versions read: whether the items were
        // chosen with folders among them, which places their paths.
        appendInt(out, t.hasFolders ? 1 : 0);
    }
    // A head that earlier readers do not see is not theirs to continue:
    // the head they see is fetched whole.
    const bool headSkipped = large && small.value(0, -1) != 0;
    appendU32(out, ExactMark);
    appendInt(out, t.headFresh || headSkipped ? 1 : 0);
    for (const QString* text : exactTexts(t))
        appendExact(out, *text);
    appendExactList(out, t.update ? t.updatePaths : earlierPaths);
    if (large) {
        appendU32(out, LargeMark);
        appendU32(out, quint32(t.itemPaths.size()));
        for (qsizetype i = 0; i < t.itemPaths.size(); ++i) {
            appendExact(out, t.itemPaths.at(i));
            const quint64 size = t.itemSizes.value(i);
            appendU32(out, quint32(size));
            appendU32(out, quint32(size >> 32));
            appendInt(out, t.itemKinds.value(i));
        }
        appendInt(out, t.headFresh ? 1 : 0);
    }
    return out;
}

std::optional<TaskContents> decodeHeader(const QByteArray& bytes) {
    // The whole file when it can be read: its texts are exact.
    if (std::optional<TaskContents> whole = decode(bytes))
        return whole;
    Reader r(bytes);
    TaskContents t;
    readHeader(r, t);
    return r.ok() ? std::optional<TaskContents>(t) : std::nullopt;
}

std::optional<TaskContents> decode(const QByteArray& bytes) {
    Reader r(bytes);
    TaskContents t;
    readHeader(r, t);
    t.update = r.integer() != 0;
    if (t.update) {
        t.localBase = r.string();
        t.remoteBase = r.string();
        t.updatePaths = r.stringList();
        t.updateKinds = r.integers<qint32>(t.updatePaths.size());
    } else {
        t.editMode = r.integer() != 0;
        t.isDownload = r.integer() != 0;
        t.targetFolder = r.string();
        t.sourceFolder = r.string();
        t.itemPaths = r.stringList();
        for (quint32 size : r.integers<quint32>(t.itemPaths.size()))
            t.itemSizes << size;
        t.itemKinds = r.integers<qint32>(t.itemPaths.size());
        if (r.ok() && !r.atEnd())
            t.hasFolders = r.integer() != 0;
    }
    if (r.ok() && !r.atEnd() && r.u(4) == ExactMark) {
        t.headFresh = r.integer() != 0;
        for (QString* text : exactTexts(t))
            *text = r.exact();
        QStringList& paths = t.update ? t.updatePaths : t.itemPaths;
        const QStringList exactPaths = r.exactList();
        if (exactPaths.size() != paths.size())
            return std::nullopt;
        paths = exactPaths;
        if (!t.update && r.ok() && !r.atEnd() && r.u(4) == LargeMark && !readLargeItems(r, t))
            return std::nullopt;
    }
    return r.ok() ? std::optional<TaskContents>(t) : std::nullopt;
}

QString fileNameFor(const QDateTime& t, int serial) {
    const QDate d = t.date();
    const QTime c = t.time();
    QString name = QString::fromUtf8("中断任务") + QString::asprintf("-%d-%d-%d-%d-%d-%d", d.year(),
                                                                     d.month(), d.day(), c.hour(),
                                                                     c.minute(), c.second());
    if (serial > 1)
        name += QString::asprintf("-%d", serial);
    return name + QStringLiteral(".npm");
}

} // namespace TaskArchive
