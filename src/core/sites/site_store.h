#pragma once

#include "core/sites/site_record.h"

#include <QByteArray>
#include <QList>

#include <optional>

class Prompts;

// ftpsite.dat: one line per site, the nine fields joined by commas and
// ended by CR LF, in code page 936; then a zero and filler up to whole
// blocks of 1024 bytes, each block combined with the store key by XOR.
// An empty list is an empty file.
namespace SiteStore {

QByteArray key();
// XOR with the key, whole blocks only; its own inverse.
void scramble(QByteArray& bytes);

QByteArray plainText(const QList<SiteRecord>& sites);
QByteArray encode(const QList<SiteRecord>& sites, quint32 fillerSeed);
// `whole`, when given, tells whether every line was read: a store with a
// line that is no site is damaged, and saving over it would lose that line.
QList<SiteRecord> decode(QByteArray bytes, bool* whole = nullptr);
std::optional<SiteRecord> parseLine(const QString& line);

inline const char* const TooManySites = "站点太多，站点列表超过64KB，不能保存！";

// A missing or empty store loads as no sites.
QList<SiteRecord> load(const QString& path, bool* whole = nullptr);
// Replaces the file whole, readable by the user alone. Shows
// "保存站点属性失败！" when the file cannot be written, and refuses a list
// above 64 KiB, which earlier versions could not read.
bool save(const QString& path, const QList<SiteRecord>& sites, quint32 fillerSeed,
          Prompts& prompts);

} // namespace SiteStore
