#include "app/console_prompts.h"

#include <cstdio>

namespace {

void printLine(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    std::fflush(stderr);
}

} // namespace

void ConsolePrompts::report(const QString& text) {
    reported_ << text;
    printLine(text);
}

bool ConsolePrompts::answer(const QString& text) {
    reported_ << text;
    printLine(text + (answerYes_ ? QStringLiteral(" -> yes") : QStringLiteral(" -> no")));
    return answerYes_;
}

bool ConsolePrompts::askYesNo(const QString& text) {
    return answer(text);
}
bool ConsolePrompts::askOkCancel(const QString& text) {
    return answer(text);
}
