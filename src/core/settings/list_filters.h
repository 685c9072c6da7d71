#pragma once

#include <QString>

// The name patterns of the two file lists. A pattern restricts the names a
// list shows: a leading "*" and a trailing "*" stand for any text, every
// other character (a "*" inside and "?" included) for itself, and letter
// case does not count. A pattern that is not kept acts on the refresh that
// follows the dialog only.
struct ListFilters {
    QString local;
    QString site;
    bool keepLocal = false;
    bool keepSite = false;
    // The site pattern is not kept and waits for the listing it was set for.
    bool siteAwaitsListing = false;

    // Whether `name` passes `pattern`; an empty name never does, an empty
    // pattern lets every other name pass.
    static bool matches(const QString& pattern, const QString& name);
    bool localPasses(const QString& name) const { return matches(local, name); }
    bool sitePasses(const QString& name) const { return matches(site, name); }

    // The dialog's answer: the texts trimmed; a keep box counts only with a
    // pattern to keep.
    void accept(const QString& localText, bool keepLocalTicked, const QString& siteText,
                bool keepSiteTicked);
    // The refresh after the dialog is done on that side: a pattern that is
    // not kept is forgotten.
    void localRefreshed();
    void siteRefreshed();
};
