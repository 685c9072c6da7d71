#include "core/engine/result_texts.h"

#include <iterator>

namespace {

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

QString phaseText(unsigned phase) {
    return phase < std::size(kPhaseTexts) ? QString::fromUtf8(kPhaseTexts[phase]) : QString();
}
