#pragma once

#include <algorithm>

#include "core/platform/prompts.h"

#include <QList>
#include <QStringList>

#include <functional>

// Records every text shown; questions take their answers from a queue
// (No when it is empty).
class ScriptedPrompts : public Prompts {
public:
    void report(const QString& text) override {
        shown << text;
        showing();
    }
    bool askYesNo(const QString& text) override { return answer(text); }
    bool askOkCancel(const QString& text) override { return answer(text); }
    // Names come from `names` (cancelled when it is empty); each dialog is
    // recorded as "name dialog:" and the name it was given.
    QString askName(NameDialog, const QString& current) override {
        shown << QStringLiteral("name dialog:") + current;
        return names.isEmpty() ? QString() : names.takeFirst();
    }

    // Certificates are recorded as "certificate:" and their fingerprint and
    // answered from `certificateAnswers` (refused when it is empty).
    CertificateAnswer askCertificate(const QString&, const TlsCertificate& certificate) override {
        shown << QStringLiteral("certificate:") + certificate.fingerprint;
        return certificateAnswers.isEmpty() ? CertificateAnswer::Refuse
                                            : certificateAnswers.takeFirst();
    }

    int count(const QString& text) const { return int(shown.count(text)); }
    int count(const char* utf8) const { return count(QString::fromUtf8(utf8)); }
    // Messages whose first line is `utf8` (a failure adds where and why).
    int countHeaded(const char* utf8) const {
        const QString head = QString::fromUtf8(utf8);
        return int(std::count_if(shown.cbegin(), shown.cend(), [&](const QString& text) {
            return text.section(QLatin1Char('\n'), 0, 0) == head;
        }));
    }

    QStringList shown;
    QList<bool> answers;
    QStringList names;
    QList<CertificateAnswer> certificateAnswers;
    // Runs while a message or question is on screen, as a box's own event
    // loop would run what comes meanwhile.
    std::function<void()> whileShown;

private:
    void showing() {
        if (whileShown)
            whileShown();
    }
    bool answer(const QString& text) {
        shown << text;
        showing();
        return answers.isEmpty() ? false : answers.takeFirst();
    }
};
