// Active and passive data connections with corvane-cli against pyftpdlib,
// including servers that refuse one mode and one that names a foreign
// address in its passive replies.
#include "cli_run.h"
#include "core/engine/data_address.h"
#include "file_bytes.h"
#include "pyftpd_server.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(DataAddress, PassiveRepliesAsServersWriteThem) {
    using DataAddress::Endpoint;
    const struct {
        const char* reply;
        std::optional<Endpoint> endpoint;
    } cases[] = {
        {"227 Entering Passive Mode (127,0,0,1,195,80).", Endpoint{"127.0.0.1", 195 * 256 + 80}},
        {"227 Entering Passive Mode 10,1,2,3,4,5", Endpoint{"10.1.2.3", 4 * 256 + 5}},
        {"227 =192,168,0,9,0,21", Endpoint{"192.168.0.9", 21}},
        {"227 Entering Passive Mode ( 127 , 0 , 0 , 1 , 4 , 1 )", Endpoint{"127.0.0.1", 1025}},
        {"227 Entering Passive Mode (256,0,0,1,4,1)", std::nullopt},
        {"227 Entering Passive Mode (127,0,0,1,0,0)", std::nullopt},
        {"227 Entering Passive Mode (127,0,0,1)", std::nullopt},
        {"227 ok", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DataAddress::parsePassiveReply(QString::fromLatin1(c.reply)), c.endpoint)
            << c.reply;
    EXPECT_EQ(DataAddress::portArgument(0x7F000001, 50000), "127,0,0,1,195,80");

    const struct {
        const char* reply;
        std::optional<quint16> port;
    } extended[] = {
        {"229 Entering Extended Passive Mode (|||6446|)", 6446},
        {"229 Entering Extended Passive Mode (!!!21!)", 21},
        {"229 (|||0|)", std::nullopt},
        {"229 (|||70000|)", std::nullopt},
        {"229 (||6446|)", std::nullopt},
        {"229 Entering Extended Passive Mode", std::nullopt},
    };
    for (const auto& c : extended)
        EXPECT_EQ(DataAddress::parseExtendedPassiveReply(QString::fromLatin1(c.reply)), c.port)
            << c.reply;
}

namespace {

// How often `command` was sent: lines of the transcript holding it alone
// (a FEAT reply lists features on lines of their own, indented).
int commandCount(const QString& transcript, const char* command) {
    int n = 0;
    for (const QString& line : transcript.split('\n'))
        n += line.trimmed() == QLatin1String(command) && !line.startsWith(' ');
    return n;
}

// A server with a small tree; `get` and `put` of it in the given mode.
struct ModeRun {
    explicit ModeRun(const QStringList& serverArgs) : server(serverArgs) {}

    PyFtpdServer server;
    QTemporaryDir home, local;

    bool start() {
        writeBytes(server.root() + QString::fromUtf8("/pub/报表 2024.txt"), "quarterly\n");
        writeBytes(server.root() + "/pub/sub/big.bin", patternedBytes(300000, 5));
        writeBytes(server.root() + "/pub/empty.dat", {});
        return server.start();
    }
    CliRun get(const QStringList& modeArgs) {
        return cli(QStringList{"--home", home.path(), "-v"} + modeArgs +
                   QStringList{"get", server.url("/pub"), local.path()});
    }
    bool fetchedWhole() const {
        return digests(local.path() + "/pub") == digests(server.root() + "/pub");
    }
};

} // namespace

TEST(DataMode, PassiveAndActiveBothCarryATreeByteExact) {
    ModeRun passive({});
    ASSERT_TRUE(passive.start());
    const CliRun p = passive.get({"--passive"});
    EXPECT_EQ(p.exitCode, 0) << p.err.toStdString();
    EXPECT_TRUE(passive.fetchedWhole());
    EXPECT_TRUE(p.err.contains("EPSV")) << "the server lists it: " << p.err.toStdString();
    EXPECT_FALSE(p.err.contains("PASV")) << p.err.toStdString();
    EXPECT_FALSE(p.err.contains("PORT ")) << p.err.toStdString();

    ModeRun older({"--no-epsv"});
    ASSERT_TRUE(older.start());
    const CliRun o = older.get({"--passive"});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_TRUE(older.fetchedWhole());
    EXPECT_TRUE(o.err.contains("PASV")) << o.err.toStdString();
    EXPECT_FALSE(o.err.contains("EPSV")) << o.err.toStdString();

    ModeRun active({});
    ASSERT_TRUE(active.start());
    const CliRun a = active.get({"--active"});
    EXPECT_EQ(a.exitCode, 0) << a.err.toStdString();
    EXPECT_TRUE(active.fetchedWhole());
    EXPECT_FALSE(a.err.contains("PASV")) << a.err.toStdString();

    // An upload in passive mode, into a new folder.
    QTemporaryDir tree;
    writeBytes(tree.path() + "/up/a b.txt", "spaced");
    writeBytes(tree.path() + "/up/c.bin", patternedBytes(200000, 6));
    const CliRun put = cli({"--home", passive.home.path(), "--passive", "put", tree.path() + "/up",
                            passive.server.url("/")});
    EXPECT_EQ(put.exitCode, 0) << put.err.toStdString();
    EXPECT_EQ(readBytes(passive.server.root() + "/up/c.bin"), patternedBytes(200000, 6));
}

// The default mode: passive first; a server that refuses it is served
// actively, and the connection remembers that for its later transfers.
TEST(DataMode, AutomaticModeTurnsActiveWhenPassiveIsRefused) {
    ModeRun run({"--refuse-passive"});
    ASSERT_TRUE(run.start());
    const CliRun r = run.get({});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(run.fetchedWhole());
    // EPSV first (the server lists it), then PASV, then PORT for good.
    EXPECT_EQ(commandCount(r.err, "EPSV"), 1) << r.err.toStdString();
    EXPECT_EQ(commandCount(r.err, "PASV"), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8("服务器不接受被动模式，改用主动模式。")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("PORT ")) << r.err.toStdString();

    // Passive asked for explicitly: the refusal ends the command.
    ModeRun strict({"--refuse-passive"});
    ASSERT_TRUE(strict.start());
    EXPECT_NE(strict.get({"--passive"}).exitCode, 0);
}

TEST(DataMode, AServerThatRefusesActiveModeIsServedPassively) {
    ModeRun run({"--refuse-active"});
    ASSERT_TRUE(run.start());
    const CliRun r = run.get({});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(run.fetchedWhole());
    EXPECT_FALSE(r.err.contains("PORT ")) << r.err.toStdString();

    ModeRun strict({"--refuse-active"});
    ASSERT_TRUE(strict.start());
    EXPECT_NE(strict.get({"--active"}).exitCode, 0);
}

// A passive reply naming another address is not followed: the data
// connection goes to the server's own address, and the transcript says so.
TEST(DataMode, APassiveReplyWithAForeignAddressIsNotFollowed) {
    ModeRun run({"--masquerade", "10.11.12.13", "--no-epsv"});
    ASSERT_TRUE(run.start());
    const CliRun r = run.get({"--passive"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(run.fetchedWhole());
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(
        "服务器给出的被动模式地址 10.11.12.13 不是它自己的地址，改用 127.0.0.1。")))
        << r.err.toStdString();
}

// The connections of a segmented download make their data connections as
// the main one does: a server that refuses active mode serves them all.
TEST(DataMode, SegmentConnectionsFollowThePassiveMode) {
    PyFtpdServer server({"--refuse-active"});
    const QByteArray content = patternedBytes(1200000 + 3, 8);
    writeBytes(server.root() + "/big.bin", content);
    ASSERT_TRUE(server.start());
    QTemporaryDir home, local;
    const CliRun r = cli({"--home", home.path(), "--passive", "--segments", "4", "get",
                          server.url("/big.bin"), local.path()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readBytes(local.path() + "/big.bin"), content);
}
