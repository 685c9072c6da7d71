// Messages on screen: shown without holding up whoever showed them, one at
// a time, in the order they came.
#include "gui/dialogs/dialog_prompts.h"
#include "wait.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QList<QMessageBox*> openBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            boxes << box;
    return boxes;
}

} // namespace

TEST(DialogPrompts, MessagesDoNotWaitAndFollowOneAnother) {
    QWidget window;
    window.show();
    DialogPrompts prompts(&window);
    prompts.report(QString::fromUtf8("第一条"));
    prompts.report(QString::fromUtf8("第二条")); // returns at once too
    ASSERT_TRUE(waitUntil([] { return openBoxes().size() == 1; }));
    EXPECT_EQ(openBoxes().first()->text(), QString::fromUtf8("第一条"));
    ASSERT_EQ(openBoxes().first()->buttons().size(), 1);
    EXPECT_EQ(openBoxes().first()->buttons().first()->text(), QString::fromUtf8("确定"));
    EXPECT_TRUE(openBoxes().first()->isModal()) << "the window waits, the program does not";

    openBoxes().first()->buttons().first()->click();
    ASSERT_TRUE(waitUntil([] {
        return openBoxes().size() == 1 &&
               openBoxes().first()->text() == QString::fromUtf8("第二条");
    }));
    openBoxes().first()->buttons().first()->click();
    EXPECT_TRUE(waitUntil([] { return openBoxes().isEmpty(); }));
}
