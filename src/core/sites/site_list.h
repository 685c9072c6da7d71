#pragma once

#include "core/sites/site_record.h"

#include <QList>

#include <functional>
#include <optional>

class Prompts;

// The ordered list of defined sites and the rules for changing it. Every
// change is saved at once through the save function it is given, and
// undone when the save fails (the save says why); names are unique and
// compared exactly.
class SiteList {
public:
    using SaveFunction = std::function<bool(const QList<SiteRecord>&)>;

    SiteList(Prompts& prompts, SaveFunction save);

    void setRecords(const QList<SiteRecord>& records) { records_ = records; }
    const QList<SiteRecord>& records() const { return records_; }

    std::optional<qsizetype> find(const QString& name) const;
    // Appends a site with the default fields; refused with a message while
    // an earlier new site still has the default name.
    bool addNew();
    // Asks first; true when the site was deleted.
    bool remove(const QString& name);
    // The rules of renaming in place: trimmed, never empty, never a name
    // another site has (refused silently), never a name the store cannot
    // keep (refused with a message). Returns the name in force.
    QString rename(const QString& oldName, const QString& edited);
    // Fields 2 to 9 of the named site; the name never changes here.
    bool update(const QString& name, const SiteRecord& fields);

private:
    Prompts& prompts_;
    SaveFunction save_;
    QList<SiteRecord> records_;
};
