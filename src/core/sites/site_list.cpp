#include "core/sites/site_list.h"

#include "core/platform/prompts.h"

SiteList::SiteList(Prompts& prompts, SaveFunction save)
    : prompts_(prompts), save_(std::move(save)) {}

std::optional<qsizetype> SiteList::find(const QString& name) const {
    for (qsizetype i = 0; i < records_.size(); ++i)
        if (records_.at(i).name == name)
            return i;
    return std::nullopt;
}

bool SiteList::addNew() {
    if (find(QString::fromUtf8(SiteRecord::NewSiteName))) {
        prompts_.report(QString::fromUtf8("请先把前面新增的FTP站点改名！"));
        return false;
    }
    records_ << SiteRecord::withDefaults();
    save_(records_);
    return true;
}

bool SiteList::remove(const QString& name) {
    if (!prompts_.askOkCancel(QString::fromUtf8("是否确定删除FTP站点：") + name +
                              QStringLiteral(" ?")))
        return false;
    const auto index = find(name);
    if (!index)
        return false;
    records_.removeAt(*index);
    save_(records_);
    return true;
}

QString SiteList::rename(const QString& oldName, const QString& edited) {
    const QString newName = edited.trimmed();
    if (newName.isEmpty() || newName == oldName || find(newName))
        return oldName;
    const auto index = find(oldName);
    if (!index)
        return oldName;
    records_[*index].name = newName;
    save_(records_);
    return newName;
}

bool SiteList::update(const QString& name, const SiteRecord& fields) {
    const auto index = find(name);
    if (!index)
        return false;
    SiteRecord updated = fields;
    updated.name = name;
    records_[*index] = updated;
    save_(records_);
    return true;
}
