#pragma once

// Command numbers of the menu, the toolbar and the pane context menus. They
// keep the program's own values so that texts, tooltips and enabling rules
// can be looked up by them.
namespace Cmd {

// Main window.
constexpr int NetworkSettings = 32814;
constexpr int NewSite = 32822;
constexpr int SiteProperties = 32823;
constexpr int Connect = 32771;
constexpr int CloseConnection = 32772;
constexpr int NewFolder = 32782;
constexpr int NewFile = 32824;
constexpr int Rename = 32781;
constexpr int Delete = 32783;
constexpr int EditFile = 32826;
constexpr int WebPreview = 32827;
constexpr int DirectoryUpdate = 32825;
constexpr int Interrupt = 32795;
constexpr int ResumeTask = 32796;
constexpr int Exit = 57665;
constexpr int SmallIcons = 32784;
constexpr int ListView = 32785;
constexpr int DetailsView = 32786;
constexpr int Refresh = 32791;
constexpr int ToggleToolbar = 59392;
constexpr int UpOneLevel = 32817;
constexpr int FileListOptions = 32820;
constexpr int Copy = 32793;
constexpr int Paste = 32794;
constexpr int SelectAll = 32819;
constexpr int Help = 57670;
constexpr int About = 57664;
constexpr int HomePage = 32797;
// Beyond the program's own commands: the transfer list shown or hidden.
constexpr int ToggleTransferList = 32900;

// Context menus of the site panes.
constexpr int PaneCopy = 101;
constexpr int PanePaste = 102;
constexpr int PaneConnect = 103;
constexpr int PaneProperties = 104;
constexpr int PaneAddSite = 105;
constexpr int PaneDelete = 106;
constexpr int PaneDirectoryUpdate = 107;
constexpr int PaneNewFile = 108;
constexpr int PaneEditFile = 109;
constexpr int PaneNewFolder = 111;
constexpr int PaneWebPreview = 112;
constexpr int PaneRename = 113;

} // namespace Cmd

// Codes of the pane that last had the keyboard focus.
namespace Pane {
constexpr int None = 0;
constexpr int LocalTree = 1;
constexpr int LocalList = 2;
constexpr int SiteTree = 3;
constexpr int RemoteList = 4;
constexpr int Messages = 6;
constexpr int Transfers = 7;
} // namespace Pane
