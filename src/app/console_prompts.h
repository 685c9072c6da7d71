#pragma once

#include "core/platform/prompts.h"

#include <QStringList>

// Messages on stderr; questions answered by the --yes switch (No otherwise).
class ConsolePrompts : public Prompts {
public:
    explicit ConsolePrompts(bool answerYes) : answerYes_(answerYes) {}
    void report(const QString& text) override;
    bool askYesNo(const QString& text) override;
    bool askOkCancel(const QString& text) override;

    const QStringList& reported() const { return reported_; }

private:
    bool answer(const QString& text);
    bool answerYes_;
    QStringList reported_;
};
