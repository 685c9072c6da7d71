// Every reader of what a server or a file may hold, fed damaged input: the
// seeds below (and in tests/fuzz/seeds) cut, flipped, spliced and grown by
// a fixed random sequence, so a failure repeats. No input may crash a
// reader (the sanitizer build watches for it), and what a reader accepts
// must read back the same once written again.
#include "core/engine/connection_source.h"
#include "core/engine/data_address.h"
#include "core/engine/dir_listing.h"
#include "core/engine/ftp_reply.h"
#include "core/engine/ftp_session.h"
#include "core/settings/network_settings.h"
#include "core/sites/site_store.h"
#include "core/tasks/operation_driver.h"
#include "core/tasks/segment_plan.h"
#include "core/tasks/task_archive.h"
#include "core/tasks/task_resume.h"
#include "file_bytes.h"
#include "manual_clock.h"
#include "recording_host.h"
#include "scripted_prompts.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

// Each reader gets this many damaged inputs, or this much time, whichever
// ends first (the sanitizer build is several times slower).
constexpr int Rounds = 4000;
constexpr int MillisecondsEach = 8000;

QByteArray seedFile(const char* name) {
    return readBytes(QStringLiteral(CORVANE_FUZZ_SEEDS_DIR "/") + QString::fromLatin1(name));
}

QByteArray mutated(const QList<QByteArray>& seeds, std::mt19937& random) {
    const auto pick = [&](qsizetype n) {
        return qsizetype(random() % quint32(qMax<qsizetype>(n, 1)));
    };
    QByteArray bytes = seeds.at(pick(seeds.size()));
    const int steps = 1 + int(random() % 6);
    for (int s = 0; s < steps; ++s) {
        switch (random() % 7) {
        case 0: // cut short
            bytes.truncate(pick(bytes.size() + 1));
            break;
        case 1: // a bit flipped
            if (!bytes.isEmpty())
                bytes[pick(bytes.size())] ^= char(1 << (random() % 8));
            break;
        case 2: // a byte of any value
            if (!bytes.isEmpty())
                bytes[pick(bytes.size())] = char(random() & 0xFF);
            break;
        case 3: // bytes in between, the awkward ones often
        {
            static const char awkward[] = {'\0', '\r', '\n', ',',    '"',   '/',
                                           '(',  '|',  ' ',  '\xFF', '\x80'};
            bytes.insert(pick(bytes.size() + 1), awkward[random() % sizeof awkward]);
            break;
        }
        case 4: // a piece of another seed
        {
            const QByteArray other = seeds.at(pick(seeds.size()));
            const qsizetype from = pick(other.size());
            bytes.insert(pick(bytes.size() + 1), other.mid(from, pick(other.size() - from + 1)));
            break;
        }
        case 5: // a piece doubled
        {
            const qsizetype from = pick(bytes.size());
            bytes.insert(from, bytes.mid(from, pick(64)));
            break;
        }
        default: // a four-byte count made huge or negative
            if (bytes.size() >= 4) {
                const qsizetype at = pick(bytes.size() - 3);
                const quint32 value = random() % 2 ? 0xFFFFFFFFu : 0x7FFFFFF0u + (random() % 16);
                memcpy(bytes.data() + at, &value, 4);
            }
            break;
        }
    }
    return bytes;
}

// Runs `reader` over damaged forms of `seeds`; the seeds themselves first.
void fuzz(const QList<QByteArray>& seeds, quint32 seed,
          const std::function<void(const QByteArray&)>& reader) {
    for (const QByteArray& s : seeds)
        reader(s);
    std::mt19937 random(seed);
    const QDeadlineTimer deadline(MillisecondsEach);
    for (int i = 0; i < Rounds && !deadline.hasExpired() && !::testing::Test::HasFailure(); ++i)
        reader(mutated(seeds, random));
}

TaskContents sampleTask(bool update) {
    TaskContents t;
    t.description = QString::fromUtf8("下载 报表");
    t.site = "127.0.0.1";
    t.port = 2121;
    t.user = "tester";
    t.password = "secret";
    t.update = update;
    if (update) {
        t.localBase = "/home/u/web/";
        t.remoteBase = "/www";
        t.updatePaths = QStringList{"/www/a.html", QString::fromUtf8("/www/图 1.png")};
        t.updateKinds = {1, 3};
    } else {
        t.isDownload = true;
        t.targetFolder = "/home/u/in/";
        t.sourceFolder = "/pub";
        t.itemPaths = QStringList{"/pub/a", QString::fromUtf8("/pub/자료.bin")};
        t.itemSizes = {0, 4000000000u};
        t.itemKinds = {2, 1};
        t.hasFolders = true;
    }
    return t;
}

} // namespace

TEST(Fuzz, ListingParserAndOneFileListings) {
    fuzz({seedFile("listing.txt")}, 1, [](const QByteArray& bytes) {
        for (const WireText& wire :
             {WireText(WireText::Encoding::Gbk), WireText(WireText::Encoding::Utf8)}) {
            DirListing::parseLines(
                bytes,
                [](const DirEntry& e) {
                    // An entry always has a name; only plain names are ever used.
                    EXPECT_FALSE(e.name.isEmpty());
                    if (DirListing::isSafeLocalName(e.name)) {
                        EXPECT_FALSE(e.name.contains('/'));
                    }
                },
                wire);
        }
        DirListing::sizeFromListing(bytes);
    });
}

TEST(Fuzz, ReplyFramerAndTheAddressesRepliesName) {
    fuzz({seedFile("replies.txt")}, 2, [](const QByteArray& bytes) {
        QByteArray buffer = bytes;
        qsizetype taken = 0;
        while (std::optional<FtpReply> reply = FtpReply::take(buffer)) {
            ASSERT_GE(reply->code, 0);
            ASSERT_LE(reply->code, 999);
            ASSERT_FALSE(reply->text.isEmpty()) << "a reply takes bytes off the buffer";
            taken += reply->text.size();
            const QString text = QString::fromLatin1(reply->text);
            const QString folder = FtpSession::folderFromPwdReply(text);
            EXPECT_LE(folder.size(), text.size());
            if (const auto passive = DataAddress::parsePassiveReply(text)) {
                EXPECT_GT(passive->port, 0);
            }
            if (const auto port = DataAddress::parseExtendedPassiveReply(text)) {
                EXPECT_GT(*port, 0);
            }
        }
        EXPECT_EQ(taken + buffer.size(), bytes.size()) << "nothing lost, nothing made up";
    });
}

TEST(Fuzz, SiteStoreReadsBackWhatItAccepts) {
    const QByteArray plain = seedFile("ftpsite.txt");
    SiteRecord s = SiteRecord::withDefaults();
    s.name = QString::fromUtf8("演示站点");
    s.address = "127.0.0.1";
    fuzz({plain, SiteStore::encode({s}, 7)}, 3, [](const QByteArray& bytes) {
        bool whole = false;
        const QList<SiteRecord> sites = SiteStore::decode(bytes, &whole);
        QList<SiteRecord> kept;
        for (const SiteRecord& site : sites)
            if (!site.name.trimmed().isEmpty() && site.problem().isEmpty())
                kept << site;
        const QList<SiteRecord> again = SiteStore::decode(SiteStore::encode(kept, 1));
        ASSERT_EQ(again.size(), kept.size());
        for (qsizetype i = 0; i < kept.size(); ++i)
            EXPECT_EQ(again.at(i).fields(), kept.at(i).fields());
    });
}

TEST(Fuzz, NetworkSettingsFromAnyFile) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/corvane.ini";
    fuzz({seedFile("corvane.ini")}, 4, [&](const QByteArray& bytes) {
        writeBytes(path, bytes);
        const NetworkSettings settings = NetworkSettings::read(path);
        EXPECT_GE(settings.segmentCount(), 1);
        EXPECT_LE(settings.segmentCount(), 5);
    });
}

TEST(Fuzz, TaskFilesReadBackAndAreRefusedWhenNotSound) {
    const QList<QByteArray> seeds{TaskArchive::encode(sampleTask(false)),
                                  TaskArchive::encode(sampleTask(true))};
    fuzz(seeds, 5, [](const QByteArray& bytes) {
        const std::optional<TaskContents> task = TaskArchive::decode(bytes);
        TaskArchive::decodeHeader(bytes);
        if (!task)
            return;
        TaskResume::isSound(*task);
        const std::optional<TaskContents> again = TaskArchive::decode(TaskArchive::encode(*task));
        ASSERT_TRUE(again);
        EXPECT_TRUE(*again == *task);
    });
}

// A damaged task file is refused and left exactly as it was.
TEST(Fuzz, ADamagedTaskFileIsNeverRewritten) {
    QTemporaryDir home;
    RecordingHost host;
    ScriptedPrompts prompts;
    ManualClock clock;
    ConnectionSource source;
    source.taskFolder = home.path() + "/";
    source.setHostName("127.0.0.1");
    FtpSession connection(source, 1, FtpSession::Deps{host, prompts, clock, Timing{}});
    OperationDriver driver(connection, source,
                           OperationDriver::Deps{host, prompts, clock, Timing{}});
    ASSERT_TRUE(connection.create());
    const QString name = QString::fromUtf8("中断任务-2026-1-1-0-0-0.npm");
    std::mt19937 random(6);
    const QList<QByteArray> seeds{TaskArchive::encode(sampleTask(false)),
                                  TaskArchive::encode(sampleTask(true))};
    for (int i = 0; i < 300 && !::testing::Test::HasFailure(); ++i) {
        const QByteArray bytes = mutated(seeds, random);
        writeBytes(home.path() + "/" + name, bytes);
        prompts.shown.clear();
        const bool resumed = driver.resumeTask(name);
        if (!resumed) {
            EXPECT_EQ(readBytes(home.path() + "/" + name), bytes) << i;
        }
        connection.reset(true);
    }
}

TEST(Fuzz, SegmentStateFiles) {
    SegmentPlan plan = SegmentPlan::split(3'000'000'000u, 5);
    plan.done = {600'000'000, 5, 0, 17, 600'000'000};
    plan.bytesWritten = 1'200'000'022;
    SegmentPlan timed = SegmentPlan::split(200000, 2);
    timed.siteTime = QString::fromUtf8("12月 09 16:05");
    fuzz({plan.encode(), SegmentPlan::split(200000, 2).encode(), timed.encode()}, 7,
         [](const QByteArray& bytes) {
             for (quint32 size : {3'000'000'000u, 200000u}) {
                 const std::optional<SegmentPlan> read = SegmentPlan::decode(bytes, size);
                 if (!read)
                     continue;
                 EXPECT_EQ(read->encode(), bytes) << "what is accepted is exactly what was written";
                 qint64 covered = 0;
                 for (int i = 0; i < read->count(); ++i) {
                     EXPECT_GE(read->done.at(i), 0);
                     EXPECT_LE(read->done.at(i), read->length.at(i));
                     covered += read->length.at(i);
                 }
                 EXPECT_EQ(covered, qint64(size));
             }
         });
}
