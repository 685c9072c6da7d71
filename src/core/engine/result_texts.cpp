#include "core/engine/result_texts.h"

#include <iterator>

namespace {

const char* const kResultTexts[] = {
    "找不到FTP站点地址！",
    "不能连接服务器！",
    "网络连接出错，不能发送数据，请关闭连接后再重新连接服务器！",
    "网络连接出错，不能接收数据，请关闭连接后再重新连接服务器！",
    "服务器已关闭！",
    "成功登录！",
    "成功退出！",
    "操作成功完成！",
    "不能成功完成操作，操作停止！",
    "网络错误，不能成功操作！",
    "用户信息无效！",
    "",
    "",
    "写入文件数据失败！",
    "操作中断！",
    "目录更新操作失败！",
    "目录更新操作成功完成！",
    "内存不够！",
};

const char* const kPhaseTexts[] = {
    "",
    "正在寻找站点，请等待......",
    "正在连接站点，请等待......",
    "正在获取目录文件列表，请等待......",
    "正在登录用户，请等待......",
    "正在删除站点目录，请等待......",
    "正在删除站点文件，请等待......",
    "正在创建站点目录，请等待......",
    "正在下载文件，请等待......",
    "正在下载目录，请等待......",
    "正在上传文件，请等待......",
    "正在上传目录，请等待......",
    "正在更新目录，请等待......",
};

} // namespace

QString resultText(unsigned code) {
    return code < std::size(kResultTexts) ? QString::fromUtf8(kResultTexts[code]) : QString();
}

QString phaseText(unsigned phase) {
    return phase < std::size(kPhaseTexts) ? QString::fromUtf8(kPhaseTexts[phase]) : QString();
}
