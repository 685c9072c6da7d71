#include "core/sites/site_list.h"

#include "core/platform/prompts.h"

#include <utility>

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
    if (!save_(records_)) {
        records_.removeLast(); // the list stays as the store has it
        return false;
    }
    return true;
}

bool SiteList::remove(const QString& name) {
    if (!prompts_.askOkCancel(QString::fromUtf8("是否确定删除FTP站点：") + name +
                              QStringLiteral(" ?")))
        return false;
    const auto index = find(name);
    if (!index)
        return false;
    const SiteRecord removed = records_.takeAt(*index);
    if (!save_(records_)) {
        records_.insert(*index, removed);
        return false;
    }
    return true;
}

QString SiteList::rename(const QString& oldName, const QString& edited) {
    const QString newName = edited.trimmed();
    if (newName.isEmpty() || newName == oldName || find(newName))
        return oldName;
    const QString problem = SiteRecord::nameProblem(newName);
    if (!problem.isEmpty()) {
        prompts_.report(problem);
        return oldName;
    }
    const auto index = find(oldName);
    if (!index)
        return oldName;
    records_[*index].name = newName;
    if (!save_(records_)) {
        records_[*index].name = oldName;
        return oldName;
    }
    return newName;
}

bool SiteList::update(const QString& name, const SiteRecord& fields) {
    const auto index = find(name);
    if (!index)
        return false;
    SiteRecord updated = fields;
    updated.name = name;
    const SiteRecord before = std::exchange(records_[*index], updated);
    if (!save_(records_)) {
        records_[*index] = before;
        return false;
    }
    return true;
}
