#include "core/settings/list_filters.h"

bool ListFilters::matches(const QString& pattern, const QString& name) {
    if (name.isEmpty())
        return false;
    if (pattern.isEmpty())
        return true;
    const QString n = name.toLower();
    QString p = pattern.toLower();
    if (p.startsWith(QLatin1Char('*'))) {
        p.remove(0, 1);
        if (p.endsWith(QLatin1Char('*'))) {
            p.chop(1);
            return n.contains(p);
        }
        return n.endsWith(p);
    }
    if (p.endsWith(QLatin1Char('*'))) {
        p.chop(1);
        return n.startsWith(p);
    }
    return n == p;
}

void ListFilters::accept(const QString& localText, bool keepLocalTicked, const QString& siteText,
                         bool keepSiteTicked) {
    local = localText.trimmed();
    site = siteText.trimmed();
    keepLocal = keepLocalTicked && !local.isEmpty();
    keepSite = keepSiteTicked && !site.isEmpty();
    siteAwaitsListing = false;
}

void ListFilters::localRefreshed() {
    if (!keepLocal)
        local.clear();
}

void ListFilters::siteRefreshed() {
    siteAwaitsListing = false;
    if (!keepSite)
        site.clear();
}
