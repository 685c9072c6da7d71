// ftpsite.dat byte for byte, and the rules of the site list.
#include "core/platform/gbk_text.h"
#include "core/sites/site_list.h"
#include "core/sites/site_store.h"
#include "scripted_prompts.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A site as earlier versions kept it: plain FTP.
SiteRecord site(const char* name, const char* address = "ftp.example.test") {
    SiteRecord r = SiteRecord::withDefaults();
    r.tls = TlsMode::Off;
    r.name = QString::fromUtf8(name);
    r.address = address;
    return r;
}

QByteArray unscrambled(QByteArray stored) {
    SiteStore::scramble(stored);
    return stored;
}

} // namespace

TEST(SiteStore, KeyIsPrintableTextEndingInZero) {
    const QByteArray k = SiteStore::key();
    ASSERT_EQ(k.size(), 1024);
    EXPECT_EQ(k.at(1023), '\0');
    for (int i = 0; i < 1023; ++i)
        ASSERT_TRUE(k.at(i) > 32 && k.at(i) < 127) << i;
}

TEST(SiteStore, StoredFormPadsToWholeBlocks) {
    const QList<SiteRecord> sites{site("演示站点", "127.0.0.1")};
    const QByteArray plain = SiteStore::plainText(sites);
    EXPECT_EQ(plain, Gbk::encode(QString::fromUtf8("演示站点,127.0.0.1,21,anonymous,"
                                                   "guest@corvane.invalid,anonymous,/,,\r\n")));
    const QByteArray stored = SiteStore::encode(sites, 1);
    ASSERT_EQ(stored.size(), 1024);
    const QByteArray clear = unscrambled(stored);
    EXPECT_EQ(clear.left(plain.size()), plain);
    EXPECT_EQ(clear.at(plain.size()), '\0');
    // The last byte of a block is stored as it is (the key's zero).
    EXPECT_EQ(stored.at(1023), clear.at(1023));
    // Only the filler differs between two saves.
    const QByteArray again = SiteStore::encode(sites, 2);
    EXPECT_EQ(again.left(plain.size() + 1), stored.left(plain.size() + 1));
    EXPECT_NE(again, stored);
}

TEST(SiteStore, TextOfExactly1024BytesTakesTwoBlocks) {
    SiteRecord r = site("n");
    r.homepageFtpPath.clear();
    const qsizetype base = SiteStore::plainText({r}).size();
    r.homepageFtpPath = QString(1024 - base, QLatin1Char('h'));
    ASSERT_EQ(SiteStore::plainText({r}).size(), 1024);
    const QByteArray stored = SiteStore::encode({r}, 3);
    ASSERT_EQ(stored.size(), 2048);
    EXPECT_EQ(unscrambled(stored).at(1024), '\0');
    EXPECT_EQ(SiteStore::decode(stored), QList<SiteRecord>{r});
}

TEST(SiteStore, EmptyListIsAnEmptyFile) {
    EXPECT_TRUE(SiteStore::encode({}, 1).isEmpty());
    EXPECT_TRUE(SiteStore::encode({site("   ")}, 1).isEmpty()) << "blank names are dropped";
    EXPECT_TRUE(SiteStore::decode(QByteArray()).isEmpty());
}

TEST(SiteStore, LinesAsTheyAreRead) {
    struct Case {
        const char* line;
        std::optional<QStringList> fields;
    } cases[] = {
        {"a,h,21,u,p,acc,/,http://x/,/www",
         QStringList{"a", "h", "21", "u", "p", "acc", "/", "http://x/", "/www"}},
        {"a,h,21,u,p,acc,/start", QStringList{"a", "h", "21", "u", "p", "acc", "/start", "", ""}},
        {"a,h,21,u,p,acc,/,url,path,with,commas",
         QStringList{"a", "h", "21", "u", "p", "acc", "/", "url", "path,with,commas"}},
        {"a,h,21,u,p,acc,/,only-url",
         QStringList{"a", "h", "21", "u", "p", "acc", "/", "only-url", ""}},
        {"a,h,21,u,p", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        auto parsed = SiteStore::parseLine(QString::fromUtf8(c.line));
        ASSERT_EQ(parsed.has_value(), c.fields.has_value()) << c.line;
        if (parsed) {
            EXPECT_EQ(parsed->fields(), *c.fields) << c.line;
        }
    }
}

TEST(SiteStore, SevenFieldFileLoadsAndSavesBackWithNine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ftpsite.dat");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // Shorter than a block: read as plain text. The line without its
        // CR LF at the end is not a line.
        f.write(Gbk::encode(QString::fromUtf8("旧站点,10.0.0.1,2121,u,p,a,/pub\r\ntail")));
    }
    QList<SiteRecord> loaded = SiteStore::load(path);
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded[0].name, QString::fromUtf8("旧站点"));
    EXPECT_EQ(loaded[0].startFolder, "/pub");
    EXPECT_TRUE(loaded[0].homepageUrl.isEmpty());

    ScriptedPrompts prompts;
    ASSERT_TRUE(SiteStore::save(path, loaded, 9, prompts));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray plain = unscrambled(f.readAll());
    EXPECT_TRUE(
        plain.startsWith(Gbk::encode(QString::fromUtf8("旧站点,10.0.0.1,2121,u,p,a,/pub,,\r\n"))));
    EXPECT_EQ(SiteStore::load(path), loaded);
    EXPECT_EQ(f.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

TEST(SiteStore, MissingStoreLoadsNothingAndALargeOneLoadsWhole) {
    QTemporaryDir dir;
    EXPECT_TRUE(SiteStore::load(dir.filePath("none.dat")).isEmpty());
    QList<SiteRecord> many;
    for (int i = 0; i < 900; ++i)
        many << site(QString("site %1").arg(i).toUtf8().constData());
    const QByteArray big = SiteStore::encode(many, 1);
    ASSERT_GT(big.size(), 65536);
    QFile f(dir.filePath("big.dat"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(big);
    f.close();
    EXPECT_EQ(SiteStore::load(f.fileName()), many) << "a list is never lost";
}

TEST(SiteStore, SaveAbove64KiBIsRefusedAndTheOldStoreStays) {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    const QString path = dir.filePath("ftpsite.dat");
    ASSERT_TRUE(SiteStore::save(path, {site("keep")}, 1, prompts));
    QList<SiteRecord> many;
    for (int i = 0; i < 900; ++i)
        many << site(QString("site %1").arg(i).toUtf8().constData());
    EXPECT_FALSE(SiteStore::save(path, many, 1, prompts));
    EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8(SiteStore::TooManySites)});
    EXPECT_EQ(SiteStore::load(path), QList<SiteRecord>{site("keep")});
}

TEST(SiteRecord, FieldsTheStoreOrTheWireCannotCarryAreNamed) {
    struct Case {
        QString SiteRecord::*field;
        QString value;
        const char* problem; // empty: fine
    } cases[] = {
        {&SiteRecord::password, "pa,ss", "用户密码不能含有逗号（,）！"},
        {&SiteRecord::user, "bob\r\nDELE /x", "用户名称不能含有换行符或空字符！"},
        {&SiteRecord::startFolder, QString::fromUtf8("/na😀ve"),
         "起始目录含有不能保存的字符（只能使用GBK字符）！"},
        {&SiteRecord::address, QString("ftp.test") + QChar(0), "站点地址不能含有换行符或空字符！"},
        {&SiteRecord::port, "70000", "连接端口必须是1到65535之间的数字！"},
        {&SiteRecord::port, "0", "连接端口必须是1到65535之间的数字！"},
        {&SiteRecord::homepageFtpPath, "/www/a,b", ""}, // the last field may hold commas
        {&SiteRecord::password, QString::fromUtf8("密码ü"), ""},
        {&SiteRecord::port, "65535", ""},
    };
    for (const Case& c : cases) {
        SiteRecord r = site("s");
        r.port = "21";
        r.*c.field = c.value;
        EXPECT_EQ(r.problem(), QString::fromUtf8(c.problem)) << c.value.toStdString();
    }
}

TEST(SiteStore, UnwritableStoreSaysSo) {
    ScriptedPrompts prompts;
    EXPECT_FALSE(SiteStore::save("/nonexistent-folder/ftpsite.dat", {site("a")}, 1, prompts));
    EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8("保存站点属性失败！")});
}

TEST(SiteList, AddRenameUpdateAndDelete) {
    ScriptedPrompts prompts;
    int saves = 0;
    QList<SiteRecord> saved;
    SiteList list(prompts, [&](const QList<SiteRecord>& r) {
        ++saves;
        saved = r;
        return true;
    });
    ASSERT_TRUE(list.addNew());
    EXPECT_FALSE(list.addNew()) << "the first new site must be renamed first";
    EXPECT_EQ(prompts.shown, QStringList{QString::fromUtf8("请先把前面新增的FTP站点改名！")});

    const QString newName = QString::fromUtf8(SiteRecord::NewSiteName);
    EXPECT_EQ(list.rename(newName, "  mine  "), "mine");
    ASSERT_TRUE(list.addNew());
    EXPECT_EQ(list.rename(newName, "mine"), newName) << "a name in use is refused";
    EXPECT_EQ(list.rename(newName, "   "), newName);
    EXPECT_EQ(list.rename(newName, "other"), "other");

    SiteRecord fields = site("ignored", "127.0.0.1");
    fields.port = "2121";
    ASSERT_TRUE(list.update("other", fields));
    EXPECT_EQ(saved[1].name, "other");
    EXPECT_EQ(saved[1].port, "2121");

    prompts.answers = {false, true};
    EXPECT_FALSE(list.remove("mine")) << "cancelled";
    EXPECT_TRUE(list.remove("mine"));
    EXPECT_EQ(prompts.shown.last(), QString::fromUtf8("是否确定删除FTP站点：mine ?"));
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved[0].name, "other");
    EXPECT_EQ(saves, 6);

    prompts.shown.clear();
    EXPECT_EQ(list.rename("other", "a,b"), "other");
    EXPECT_EQ(list.rename("other", "line\nbreak"), "other");
    EXPECT_EQ(prompts.shown, (QStringList{QString::fromUtf8("站点名称不能含有逗号（,）！"),
                                          QString::fromUtf8("站点名称不能含有换行符或空字符！")}));
    EXPECT_EQ(saves, 6);
}

TEST(SiteList, AChangeTheStoreRefusedIsUndone) {
    ScriptedPrompts prompts;
    bool accept = true;
    SiteList list(prompts, [&](const QList<SiteRecord>&) { return accept; });
    ASSERT_TRUE(list.addNew());
    const QString newName = QString::fromUtf8(SiteRecord::NewSiteName);
    accept = false;
    EXPECT_EQ(list.rename(newName, "mine"), newName);
    EXPECT_FALSE(list.update(newName, site("x", "changed.test")));
    prompts.answers = {true};
    EXPECT_FALSE(list.remove(newName));
    EXPECT_EQ(list.records(), QList<SiteRecord>{SiteRecord::withDefaults()});
    EXPECT_FALSE(list.addNew() && list.records().size() == 2);
    EXPECT_EQ(list.records().size(), 1);
}

// A fixed encoding follows the last field; a site that finds out is stored
// exactly as before, and a home page path keeps its own commas.
TEST(SiteStore, AFixedEncodingFollowsTheLastFieldOnlyWhenSet) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ftpsite.dat");
    SiteRecord fixed = site("甲站");
    fixed.homepageFtpPath = "/www/a,b";
    fixed.encoding = SiteRecord::Utf8;
    SiteRecord gbk = site("乙站");
    gbk.encoding = SiteRecord::Gbk;
    const SiteRecord finding = site("丙站");
    ScriptedPrompts prompts;
    ASSERT_TRUE(SiteStore::save(path, {fixed, gbk, finding}, 3, prompts));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString plain = Gbk::decode(unscrambled(f.readAll()));
    const QStringList lines = plain.split("\r\n");
    EXPECT_TRUE(lines.value(0).endsWith(",/www/a,b,<encoding=UTF8>"))
        << lines.value(0).toStdString();
    EXPECT_TRUE(lines.value(1).endsWith(",<encoding=GBK>")) << lines.value(1).toStdString();
    EXPECT_EQ(lines.value(2), finding.fields().join(',')) << "as earlier versions wrote it";
    EXPECT_EQ(SiteStore::load(path), (QList<SiteRecord>{fixed, gbk, finding}));
}

// Encryption is stored like the encoding, after it: a line without it (as
// earlier versions wrote every line) loads as plain FTP, a new site prefers
// TLS, and the first eight fields stay where earlier readers look for them.
TEST(SiteStore, EncryptionFollowsTheLastFieldAndOldLinesLoadPlain) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ftpsite.dat");
    SiteRecord required = site("加密站");
    required.homepageFtpPath = "/www,<tls=AUTO>"; // a path that only looks like a setting
    required.encoding = SiteRecord::Utf8;
    required.tls = TlsMode::Required;
    SiteRecord fresh = SiteRecord::withDefaults();
    EXPECT_EQ(fresh.tls, TlsMode::IfAvailable);
    const SiteRecord plain = site("明文站");
    ASSERT_EQ(plain.tls, TlsMode::Off);
    ScriptedPrompts prompts;
    ASSERT_TRUE(SiteStore::save(path, {required, fresh, plain}, 3, prompts));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = Gbk::decode(unscrambled(f.readAll())).split("\r\n");
    EXPECT_TRUE(lines.value(0).endsWith(",/www,<tls=AUTO>,<encoding=UTF8>,<tls=REQUIRED>"))
        << lines.value(0).toStdString();
    EXPECT_TRUE(lines.value(1).endsWith(",<tls=AUTO>")) << lines.value(1).toStdString();
    EXPECT_TRUE(lines.value(0).startsWith(required.fields().mid(0, 8).join(',') + ','));
    EXPECT_EQ(lines.value(2), plain.fields().join(','));
    const QList<SiteRecord> loaded = SiteStore::load(path);
    EXPECT_EQ(loaded, (QList<SiteRecord>{required, fresh, plain}));
}
