#include "core/sites/site_store.h"

#include "core/platform/gbk_text.h"
#include "core/platform/prompts.h"
#include "core/platform/saved_file.h"

#include <QFile>

#include <random>

namespace SiteStore {

namespace {

constexpr int KeySize = 1024;
// The largest store this and earlier versions write.
constexpr qint64 MaxStoreSize = 65536;
// Larger stores are still read, so that a list is never lost.
constexpr qint64 MaxReadSize = 64 * 1024 * 1024;

// The store key in sixteen pieces: fifteen of 64 characters and one of 63;
// with the closing zero they make 1024 bytes.
const char* const kKeyPieces[] = {
    "d7y&gyPJ1q[?oefouvrClZnsTQ*)e<`2~L-{*[Jn~w5)8%8M=5:-7%VBA!DvKVKH",
    "a4RE)r$JB<+7VD2Wl>9m`NP4V]{nc]bnlG#ewkv4y33>-!1SK)`Q$?+iFJ1Y6094",
    "OUd#^4;Lo+~f6I'^ylxZD@d7`0=o70fhG-';$NO/@4QZo$7zEpxMt{}PgX:9JZba",
    "pzd%$;4Zw?kKt7Ei!dx^IU}]@YvR_A7G7-9-kK59;s8c6AOXO&nz{zU2Ce9EI+K.",
    "54ri#fY^'mg%m<iGsL(vvkI9JTR-DCTSo@/~5p[&y)A|'&WQZh'<2p1z$6_64/+h",
    "<{<:|aGeLU-V1VPU*KB|9%i|ApXq6/!pfZLikxo|[ff!r'XEvEd+r4Oxfyy?'kF6",
    "9|{~xr!++X5zAwl}^M#d^hjhL:HS.eU_h.i<!,)m.IX-[S9.gx?ump+v7v_C_M1%",
    "!y/yR/.[0-''7rL:L)q&uDx/i|]Dvy{v6qch'^}AeDGrz{'DMXHzOx?lvE)%/av?",
    "K,Xr_$X(u*+>U2ztIS[#fnalI.kxtO>HUAKm#'7YJ0FFQ~[ZesW>Ow#on(iaAf^c",
    "}Whf|C(@w4M&.,Oc0uF1Wp8&|{HGN[s/~%R@a.[Y>EG?~%N-Usax73-'%)eGS_n!",
    ":nFc$C|?EUf%HW;`d[]$NU}J`PP}(ZWK*'w2qW&<'8&*It$c+1[|3}DD(ta:=jEu",
    "pnO?~3%,}afUTM&:ntmFs|_69A65D-`?pNA-@YQK9c*9-[82.*=nMiTHFh]JFNF[",
    "qYW;WF!Z()(srp`~j}4#&y0S^kSzn[|lZhF3Si)>K*~#//-m?[Qn4BhfJY:jRzSh",
    "vWLP)skbgm/s&T0@7g?_'@ClFp,ZwmqAmHta]V8E4dwY8SL@aEoQ)g_:!i%&fOL]",
    ",#:g`0jU{q/N_:&RSbXzTwd>y1D]uqTE$_1]A`{5FbJY*+pF!SJ|^okh;7AIim$r",
    "C-bVVPl{fNz)b@CJM9BA6hQ0igU@P4;2k5Wcizlz^x*y*rP,)7B7^7{$Zt5D3e?",
};

} // namespace

QByteArray key() {
    QByteArray k;
    k.reserve(KeySize);
    for (const char* piece : kKeyPieces)
        k.append(piece);
    k.append('\0');
    return k;
}

void scramble(QByteArray& bytes) {
    const QByteArray k = key();
    const qsizetype whole = bytes.size() - bytes.size() % KeySize;
    for (qsizetype p = 0; p < whole; ++p)
        bytes[p] = char(bytes[p] ^ k[p % KeySize]);
}

// Settings beyond the nine fields follow the last one as ",<key=VALUE>"
// (",<encoding=UTF8>", ",<tls=AUTO>"): a reader that knows nothing of them
// takes them for the end of the home page path.
QString suffix(const char* key, const QString& value) {
    return QStringLiteral(",<%1=%2>").arg(QLatin1String(key), value);
}

constexpr const char* EncodingKey = "encoding";
constexpr const char* TlsKey = "tls";

const struct {
    TlsMode mode;
    const char* text;
} kTlsTexts[] = {{TlsMode::IfAvailable, "AUTO"}, {TlsMode::Required, "REQUIRED"}};

QString tlsText(TlsMode mode) {
    for (const auto& entry : kTlsTexts)
        if (entry.mode == mode)
            return QString::fromLatin1(entry.text);
    return {};
}

// Takes ",<key=VALUE>" off the end of `path` for the one of `values` that
// stands there, and returns that value; empty when none does.
QString takeSuffix(QString& path, const char* key, const QStringList& values) {
    for (const QString& value : values) {
        const QString text = suffix(key, value);
        if (path.endsWith(text)) {
            path.chop(text.size());
            return value;
        }
    }
    return {};
}

// Takes the settings off the end of the home page path in the reverse of
// the order they are written, each at most once.
void takeSuffixes(SiteRecord& site) {
    QStringList tlsTexts;
    for (const auto& entry : kTlsTexts)
        tlsTexts << QString::fromLatin1(entry.text);
    const QString tls = takeSuffix(site.homepageFtpPath, TlsKey, tlsTexts);
    for (const auto& entry : kTlsTexts)
        if (tls == QLatin1String(entry.text))
            site.tls = entry.mode;
    site.encoding =
        takeSuffix(site.homepageFtpPath, EncodingKey,
                   {QString::fromLatin1(SiteRecord::Utf8), QString::fromLatin1(SiteRecord::Gbk)});
}

QByteArray plainText(const QList<SiteRecord>& sites) {
    QByteArray text;
    for (const SiteRecord& site : sites) {
        SiteRecord line = site;
        line.name = line.name.trimmed();
        if (line.name.isEmpty())
            continue; // a site without a name is not kept
        QString joined = line.fields().join(QLatin1Char(','));
        if (!line.encoding.isEmpty())
            joined += suffix(EncodingKey, line.encoding);
        if (line.tls != TlsMode::Off)
            joined += suffix(TlsKey, tlsText(line.tls));
        text += Gbk::encode(joined) + "\r\n";
    }
    return text;
}

QByteArray encode(const QList<SiteRecord>& sites, quint32 fillerSeed) {
    QByteArray bytes = plainText(sites);
    if (bytes.isEmpty())
        return bytes;
    // Text, a zero, then filler up to the next whole block (a whole block
    // more when the text fills its last one exactly).
    const qsizetype length = bytes.size();
    const qsizetype stored = (length / KeySize + 1) * KeySize;
    bytes.append('\0');
    std::minstd_rand filler(fillerSeed);
    while (bytes.size() < stored)
        bytes.append(char(filler() & 0xFF));
    scramble(bytes);
    return bytes;
}

// Fields 1 to 6 end at the first six commas; with a seventh comma, field 7
// ends there, field 8 at the next comma and field 9 takes the rest (commas
// included); without one, field 7 is the rest. Lines of fewer than seven
// fields have no defined reading and are skipped.
std::optional<SiteRecord> parseLine(const QString& line) {
    QStringList fields;
    qsizetype from = 0;
    for (int k = 0; k < 6; ++k) {
        const qsizetype comma = line.indexOf(QLatin1Char(','), from);
        if (comma < 0)
            return std::nullopt;
        fields << line.mid(from, comma - from);
        from = comma + 1;
    }
    const qsizetype seventh = line.indexOf(QLatin1Char(','), from);
    if (seventh < 0) {
        fields << line.mid(from);
    } else {
        fields << line.mid(from, seventh - from);
        const qsizetype eighth = line.indexOf(QLatin1Char(','), seventh + 1);
        if (eighth < 0) {
            fields << line.mid(seventh + 1); // eight fields: the last is the URL
        } else {
            fields << line.mid(seventh + 1, eighth - seventh - 1) << line.mid(eighth + 1);
        }
    }
    SiteRecord site = SiteRecord::fromFields(fields);
    takeSuffixes(site);
    return site;
}

QList<SiteRecord> decode(QByteArray bytes, bool* whole) {
    QList<SiteRecord> sites;
    if (whole)
        *whole = bytes.size() <= MaxReadSize;
    if (bytes.isEmpty() || bytes.size() > MaxReadSize)
        return sites;
    scramble(bytes); // whole blocks only: a short file is plain text
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    qsizetype from = 0;
    while (true) {
        const qsizetype end = bytes.indexOf("\r\n", from);
        if (end < 0)
            break; // text after the last line end is not a line
        if (auto site = parseLine(Gbk::decode(bytes.mid(from, end - from))))
            sites << *site;
        else if (whole)
            *whole = false;
        from = end + 2;
    }
    if (whole && from < bytes.size())
        *whole = false;
    return sites;
}

QList<SiteRecord> load(const QString& path, bool* whole) {
    if (whole)
        *whole = true;
    QFile file(path);
    if (!file.exists() || file.size() < 1)
        return {};
    if (file.size() > MaxReadSize || !file.open(QIODevice::ReadOnly)) {
        if (whole)
            *whole = false;
        return {};
    }
    return decode(file.readAll(), whole);
}

bool save(const QString& path, const QList<SiteRecord>& sites, quint32 fillerSeed,
          Prompts& prompts) {
    const QByteArray bytes = encode(sites, fillerSeed);
    // Earlier versions read no store above 64 KiB, and would save an empty
    // list over it.
    if (bytes.size() > MaxStoreSize) {
        prompts.report(QString::fromUtf8(TooManySites));
        return false;
    }
    // Only the user may read it: it holds the passwords.
    if (!SavedFile::write(path, bytes, SavedFile::Access::OwnerOnly)) {
        prompts.report(QString::fromUtf8("保存站点属性失败！"));
        return false;
    }
    return true;
}

} // namespace SiteStore
