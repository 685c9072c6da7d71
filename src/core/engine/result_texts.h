#pragma once

#include <QString>

// The engine's fixed texts: progress phases shown in the status line, and
// the messages (see outcome.h for those that end an operation).
namespace Phase {
constexpr unsigned Idle = 0;
constexpr unsigned LookingUp = 1;
constexpr unsigned Connecting = 2;
constexpr unsigned Listing = 3;
constexpr unsigned LoggingIn = 4;
constexpr unsigned DeletingFolder = 5;
constexpr unsigned DeletingFile = 6;
constexpr unsigned MakingFolder = 7;
constexpr unsigned DownloadingFile = 8;
constexpr unsigned DownloadingFolder = 9;
constexpr unsigned UploadingFile = 10;
constexpr unsigned UploadingFolder = 11;
constexpr unsigned UpdatingFolder = 12;
} // namespace Phase

// Empty for phase 0 and unknown phases.
QString phaseText(unsigned phase);

namespace EngineText {
inline const char* const CannotEnterFolder = "不能进入该目录！";
inline const char* const RestartUploadQuestion =
    "当前FTP站点不支持文件上传的中断续传功能！\r\n是否重新开始上传文件？";
inline const char* const CannotOpenFile = "不能打开文件，本次操作中断，结束！";
inline const char* const CannotCreateFile = "不能创建文件，本次操作中断，结束！";
inline const char* const BrowseFailed = "浏览目录内容出错！";
inline const char* const DataTimeout = "传送数据超时错误，请重新进行刚才的操作！";
inline const char* const ConnectionBroken = "与服务器的连接已经中断，请重新连接！";
inline const char* const CannotCreateResources = "系统错误，不能创建资源！";
// Until interrupted tasks can be resumed: where the task of a broken
// transfer was kept.
inline const char* const TaskKept = "传送中断，任务已保存在：";
inline const char* const TaskOfAnotherSite = "该任务是另一个站点的操作，不能进行！";
inline const char* const ResumeFailed = "操作恢复失败！";
// Beyond the program's fixed texts: a task file that cannot be used, and a
// site file that changed before its download was continued.
inline const char* const TaskFileDamaged = "任务文件已损坏，不能续传（文件保留未动）：";
inline const char* const RemoteFileChanged = "站点上的文件已改变，重新从头下载：";
// "257" without a folder in double quotes.
inline const char* const FolderNotNamed = "服务器没有给出当前目录，按 %1 处理。";
// The server does not restart transfers, even in binary mode.
inline const char* const RestartUnsupported =
    "服务器不支持断点续传（REST），中断的下载只能从头开始，也不能分段下载。";
// The server's names are UTF-8: it lists the feature.
inline const char* const NamesInUtf8 = "服务器的文件名使用UTF-8编码。";
// ... but its listings say otherwise.
inline const char* const ListingNotUtf8 =
    "服务器的目录列表不是UTF-8编码，而是GBK编码，本次连接改用GBK编码。";
// Passive data connections.
inline const char* const PassiveRefused = "服务器不接受被动模式，改用主动模式。";
inline const char* const PassiveRefusedHere = "服务器不接受被动模式（PASV）。";
inline const char* const PassiveUnreachable = "不能连接服务器的被动模式端口，改用主动模式。";
inline const char* const PassiveAddressReplaced =
    "服务器给出的被动模式地址 %1 不是它自己的地址，改用 %2。";
// An edited file whose site copy changed while it was being edited.
inline const char* const EditedFileChangedOnSite = "站点上的文件 ";
inline const char* const OverwriteItQuestion =
    " 在编辑期间已被改变，是否仍然用编辑过的文件覆盖它？";
inline const char* const EditedUploadDropped = "编辑过的文件没有上传，站点上的文件保持不变：";
// Files named as a segmented download's part or state file that it did
// not leave (or left damaged): they stay, and the file comes over one
// connection.
inline const char* const SegmentNamesTaken =
    "分段下载的临时文件名已被其他文件占用，改用单个连接下载：";
// Items an operation leaves out: the count of them, then each with its path.
inline const char* const SkippedItems = "以下%1项没有传送：";
// The end of an operation that left items out: never "all done".
inline const char* const CompletedWithSkips = "操作已完成，但有%1项没有传送。";
inline const char* const SkippedUnsafeName = "文件名不安全，跳过：";
inline const char* const SkippedBrokenLink = "链接无效，跳过：";
inline const char* const SkippedRepeatedFolder = "目录已经传送过（链接），跳过：";
inline const char* const SkippedUnreadableFolder = "本地目录不能读取，跳过：";
// A local link in a directory update's folder that leads out of it.
inline const char* const LinkLeadsOutside = "链接 %1 指向所选目录之外（%2），按它指向的内容更新。";
// A directory update pairs names that differ only in case.
inline const char* const NamesDifferInCase =
    "站点上的 %1 和本地的 %2 只有大小写不同，作为同一项比较。";
// Command lines that cannot go out, followed by the name or field.
inline const char* const UnsendableControl = "名称中含有回车、换行或空字符，不能发送：";
inline const char* const UnsendableCharacters = "服务器的编码不能表示这个名称，不能发送：";
// Encrypted connections.
inline const char* const TlsUnavailable = "服务器不支持加密连接（AUTH TLS），以不加密的方式继续。";
inline const char* const TlsRequiredRefused =
    "服务器不支持加密连接（AUTH TLS），按站点的设置不能不加密登录！";
inline const char* const TlsFailed = "不能建立加密连接：";
inline const char* const HandshakeTimedOut = "服务器在握手中途没有回应";
inline const char* const TlsEstablished = "已建立加密连接：%1（%2）";
inline const char* const CertificateRefused = "服务器的证书不受信任，连接已断开。";
inline const char* const CertificateNotSaved = "不能保存受信任的证书：";
inline const char* const DataNotProtected =
    "服务器不接受加密的数据连接（PROT P），文件数据以不加密的方式传送。";
inline const char* const DataTlsFailed = "数据连接不能加密：";
// After a failure's own text: where, why, and what to do next.
inline const char* const FailureServer = "服务器：";
inline const char* const FailureServerSaid = "服务器回答：";
inline const char* const FailureSystemSaid = "原因：";
inline const char* const HintCheckLogin = "请在“站点属性”中检查用户名和密码。";
inline const char* const HintCheckServer = "请检查站点的地址和端口，以及服务器是否在运行。";
inline const char* const HintCheckAddress = "请检查站点的地址是否正确。";
inline const char* const HintReconnect = "请重新连接服务器，中断的操作可用“中断续传”接着进行。";
inline const char* const ServerHungUp = "服务器断开了连接";
} // namespace EngineText
