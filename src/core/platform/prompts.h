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
};
