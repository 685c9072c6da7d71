#pragma once

#include "gui/panes/pane_host.h"
#include "scripted_prompts.h"

// A main window without a connection, for panes shown on their own.
class IdlePaneHost : public PaneHost {
public:
    explicit IdlePaneHost(bool commandsBuilt = true) : commandsBuilt_(commandsBuilt) {}
    FtpSession* connection() const override { return nullptr; }
    bool connectionReady() const override { return false; }
    bool acceptsTransfers() const override { return false; }
    bool notConnected() const override { return true; }
    bool startConnection(const SiteRecord&) override { return false; }
    void closeConnectionCommand() override {}
    bool editSite(SiteRecord&) override { return false; }
    bool paneCommandBuilt(int) const override { return commandsBuilt_; }
    Prompts& prompts() override { return prompts_; }
    QDate today() const override { return todayDate; }
    void downloadRows(QTreeWidgetItem*) override {}
    void downloadFolder(QTreeWidgetItem*, QTreeWidgetItem*) override {}
    void uploadRows(QTreeWidgetItem*) override {}
    void uploadFolder(QTreeWidgetItem*, QTreeWidgetItem*) override {}
    void copySelection(QTreeWidgetItem*) override {}
    void pasteInto(QTreeWidgetItem*) override {}
    void runFrameCommand(int) override {}
    bool frameCommandEnabled(int) override { return frameCommandsEnabled; }
    void renameRemoteItem(const QString& oldName, const QString& newName) override {
        renames << oldName + QStringLiteral(" -> ") + newName;
    }

    ScriptedPrompts prompts_;
    QDate todayDate{2026, 12, 8};
    bool frameCommandsEnabled = false;
    QStringList renames;

private:
    bool commandsBuilt_;
};
