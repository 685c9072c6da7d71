#pragma once

// Messages of the browsing panes and the file commands.
namespace PaneText {

inline constexpr char FolderExistsInTree[] = "已有同名目录！";
inline constexpr char FileExistsInList[] = "已有同名文件！";
inline constexpr char RenameFailed[] = "改名失败！";
inline constexpr char FolderExists[] = "已有该目录！";
inline constexpr char MakeFolderFailed[] = "创建目录失败！";
inline constexpr char FolderNotEmpty[] = "目录非空，不能删除！";
inline constexpr char DeleteFolderFailed[] = "删除本地目录失败！";
inline constexpr char CannotDeleteRoot[] = "不能删除根目录！";
inline constexpr char RemoteNameExists[] = "已有该文件名！";
inline constexpr char LocalFolderUnreadable[] = "不能读取本地目录：";
// A typed name holding "/" (or "\\", or only "." or "..") names another place.
inline constexpr char NameNotPlain[] = "名称中不能含有“/”或“\\”，也不能是“.”或“..”！";
// Beyond the program's fixed texts: a folder that cannot be read, a file
// that cannot be deleted, a transfer without a local folder, a drop of a
// folder into itself.
inline constexpr char UnreadableLocalFolder[] = "不能读取本地目录：";
inline constexpr char DeleteFileFailed[] = "删除本地文件失败：";
inline constexpr char NoLocalFolder[] = "请先在本地目录树中选择一个目录！";
inline constexpr char DropIntoItself[] = "不能把目录拖放到它自己或它的子目录中！";
inline constexpr char AskDirectoryUpdate[] =
    "是否确定用本地目录 %1 更新站点目录 %2 ？\r\n注意：站点目录中本地没有的文件和目录将被删除！";

// Rows of the local file list, folders among them (only empty ones go).
inline constexpr char AskDeleteLocalRows[] = "是否确定删除选择的本地文件和目录？（只删除空目录）";
// The path bars: which side a file list shows, and a folder typed there
// that cannot be shown.
inline constexpr char LocalSide[] = "本地";
inline constexpr char SiteSide[] = "站点";
inline constexpr char NoSuchLocalFolder[] = "本地目录不存在：";
inline constexpr char NotConnectedForPath[] = "请先连接站点，再输入站点目录！";
// A file list whose rows a pattern chooses: the pattern, and how to see
// every row again.
inline constexpr char PatternShown[] = "筛选：%1  ✕";
inline constexpr char ClearPatternTip[] = "清除筛选，显示全部文件";
// The status bar while connected.
inline constexpr char ActiveMode[] = "主动模式";
inline constexpr char PassiveMode[] = "被动模式";
// The transfer list: its title, columns and commands, and the questions
// about what it still holds.
inline constexpr char TransferListTitle[] = "传送列表";
inline constexpr char TransferColumns[] = "方向|源|目标|大小|状态|进度";
inline constexpr char RetryTransfer[] = "重试";
inline constexpr char ResumeTransfer[] = "续传";
inline constexpr char RemoveTransfer[] = "移除";
inline constexpr char ClearFinished[] = "清除已完成";
inline constexpr char RetryTip[] = "重新进行选择的失败传送；中断的从中断处接着进行";
inline constexpr char RemoveTip[] = "从列表中移除选择的传送（正在进行的除外）";
inline constexpr char ClearFinishedTip[] = "从列表中清除所有已完成的传送";
inline constexpr char QueuedTransfersLeft[] = "传送列表中还有%1项传送没有完成，退出后将不再进行。";
inline constexpr char AskQuitWithQueue[] = "是否退出？";
inline constexpr char TransferQueued[] = "已加入传送列表，等待当前操作完成：";

} // namespace PaneText
