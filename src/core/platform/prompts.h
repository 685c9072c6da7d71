#pragma once

#include <QString>

// Every message box and question goes through here, so the core can run
// without a window and tests can script the answers. Each call returns only
// when the user has answered.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void report(const QString& text) = 0;      // OK only
    virtual bool askYesNo(const QString& text) = 0;    // true for Yes
    virtual bool askOkCancel(const QString& text) = 0; // true for OK

    // The name dialogs of the file commands; each returns the name as the
    // dialog leaves it, empty when cancelled. Without a window there is no
    // one to ask.
    enum class NameDialog { NewFolder, NewFile, Rename };
    virtual QString askName(NameDialog kind, const QString& current = {}) {
        Q_UNUSED(kind);
        Q_UNUSED(current);
        return {};
    }
};
