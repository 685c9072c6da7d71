#include "core/engine/outcome.h"

#include "core/engine/result_texts.h"

#include <QStringList>

#include <iterator>

namespace {

struct EndRow {
    EndMessage message;
    Outcome outcome;
    const char* text; // followed by the end's detail, if any
};

const EndRow kEnds[] = {
    {EndMessage::AllCompleted, Outcome::Completed, "所有操作已成功完成！"},
    {EndMessage::CompletedWithSkips, Outcome::CompletedWithSkips, EngineText::CompletedWithSkips},
    {EndMessage::UpdateCompleted, Outcome::Completed, "目录更新操作成功完成！"},
    {EndMessage::LoggedOut, Outcome::LoggedOut, "成功退出！"},
    {EndMessage::Stopped, Outcome::Refused, "不能成功完成操作，操作停止！"},
    {EndMessage::UpdateFailed, Outcome::Refused, "目录更新操作失败！"},
    {EndMessage::CannotEnterFolder, Outcome::Refused, EngineText::CannotEnterFolder},
    {EndMessage::UserRejected, Outcome::Refused, "用户信息无效！"},
    {EndMessage::TlsRequiredRefused, Outcome::Refused, EngineText::TlsRequiredRefused},
    {EndMessage::LookupFailed, Outcome::ConnectFailed, "找不到FTP站点地址！"},
    {EndMessage::ConnectFailed, Outcome::ConnectFailed, "不能连接服务器！"},
    {EndMessage::TlsFailed, Outcome::ConnectFailed, EngineText::TlsFailed},
    {EndMessage::CertificateRefused, Outcome::ConnectFailed, EngineText::CertificateRefused},
    {EndMessage::SendFailed, Outcome::ConnectionLost,
     "网络连接出错，不能发送数据，请关闭连接后再重新连接服务器！"},
    {EndMessage::ReceiveFailed, Outcome::ConnectionLost,
     "网络连接出错，不能接收数据，请关闭连接后再重新连接服务器！"},
    {EndMessage::ServerClosed, Outcome::ConnectionLost, "服务器已关闭！"},
    {EndMessage::DataNetworkError, Outcome::ConnectionLost, "网络错误，不能成功操作！"},
    {EndMessage::DataTimeout, Outcome::ConnectionLost, EngineText::DataTimeout},
    {EndMessage::ConnectionBroken, Outcome::ConnectionLost, EngineText::ConnectionBroken},
    {EndMessage::Interrupted, Outcome::Cancelled, "操作中断！"},
    {EndMessage::WriteFailed, Outcome::LocalFileError, "写入文件数据失败！"},
    {EndMessage::CannotCreateFile, Outcome::LocalFileError, EngineText::CannotCreateFile},
    {EndMessage::CannotOpenFile, Outcome::LocalFileError, EngineText::CannotOpenFile},
    {EndMessage::UnsendableControl, Outcome::NameNotSendable, EngineText::UnsendableControl},
    {EndMessage::UnsendableCharacters, Outcome::NameNotSendable, EngineText::UnsendableCharacters},
    {EndMessage::TaskFileDamaged, Outcome::TaskUnusable, EngineText::TaskFileDamaged},
    {EndMessage::TaskOfAnotherSite, Outcome::TaskUnusable, EngineText::TaskOfAnotherSite},
};

// A message without a row of its own would be a fault of this table: it is
// told as the operation stopping, never as a success.
const EndRow& rowOf(EndMessage message) {
    for (const EndRow& row : kEnds)
        if (row.message == message)
            return row;
    return rowOf(EndMessage::Stopped);
}

} // namespace

Outcome OperationEnd::outcome() const {
    return rowOf(message).outcome;
}

QString OperationEnd::text() const {
    const QString text = QString::fromUtf8(rowOf(message).text);
    if (message == EndMessage::CompletedWithSkips)
        return text.arg(skipped);
    return text + detail;
}

namespace {

// What the user can do about a failure, where there is something to say.
const char* hintFor(EndMessage message, Outcome outcome) {
    switch (message) {
    case EndMessage::UserRejected:
        return EngineText::HintCheckLogin;
    case EndMessage::LookupFailed:
        return EngineText::HintCheckAddress;
    case EndMessage::ConnectFailed:
        return EngineText::HintCheckServer;
    default:
        return outcome == Outcome::ConnectionLost ? EngineText::HintReconnect : nullptr;
    }
}

} // namespace

QString OperationEnd::explained() const {
    const Outcome how = outcome();
    const bool failure =
        how == Outcome::Refused || how == Outcome::ConnectFailed || how == Outcome::ConnectionLost;
    QStringList lines{text()};
    if (!failure)
        return lines.first();
    if (!address.isEmpty())
        lines << QString::fromUtf8(EngineText::FailureServer) + address;
    if (!reason.isEmpty())
        lines << QString::fromUtf8(serverSaid ? EngineText::FailureServerSaid
                                              : EngineText::FailureSystemSaid) +
                     reason;
    if (const char* hint = hintFor(message, how))
        lines << QString::fromUtf8(hint);
    return lines.join(QLatin1Char('\n'));
}
