// The upload of a file edited in a local application. The site's file is
// listed first when what it was is known: a file someone else changed
// meanwhile is not replaced without asking.
#include "core/engine/dir_listing.h"
#include "core/engine/ftp_session.h"
#include "core/engine/result_texts.h"
#include "core/platform/prompts.h"
#include "core/tasks/operation_driver.h"

void OperationDriver::startEditUpload(const QString& siteFolder, const QString& localPath,
                                      quint64 size, const std::optional<RemoteStamp>& expected) {
    const qsizetype cut = localPath.lastIndexOf(QLatin1Char('/'));
    op_.editMode = true;
    startUpload(siteFolder, localPath.left(cut + 1), {localPath}, {size},
                {OperationRecord::ChosenFile});
    op_.editExpected = expected;
}

void OperationDriver::editCheckFinished(const std::optional<DirEntry>& found) {
    const RemoteStamp now =
        found ? RemoteStamp{true, found->sizeText, found->dateText} : RemoteStamp{};
    const RemoteStamp expected = op_.editExpected.value_or(now);
    op_.editExpected.reset();
    if (now == expected) {
        sendEditedFile();
        return;
    }
    const QString sitePath = uploadSitePath(op_.itemPaths.value(0), OperationRecord::ChosenFile);
    const QString question = QString::fromUtf8(EngineText::EditedFileChangedOnSite) + sitePath +
                             QString::fromUtf8(EngineText::OverwriteItQuestion);
    session_.askOutsideHandler(question, [this, sitePath](bool replace) {
        if (replace) {
            sendEditedFile();
            return;
        }
        // Nothing to resume: the user chose to keep the site's file.
        deleteTaskFile();
        session_.reset(true);
        session_.addNote(QString::fromUtf8(EngineText::EditedUploadDropped) + sitePath);
    });
}

void OperationDriver::sendEditedFile() {
    session_.continueQueue();
}
