#include "core/engine/connection_source.h"

#include "core/platform/gbk_text.h"

#include <unistd.h>

CFtpSource::~CFtpSource() {
    if (partFile >= 0)
        ::close(partFile);
    if (stateFile)
        stateFile->close();
}

void CFtpSource::setUser(const QString& v) {
    user_ = Gbk::fitted(v, FixedText - 1);
}
void CFtpSource::setPassword(const QString& v) {
    password_ = Gbk::fitted(v, FixedText - 1);
}
void CFtpSource::setHostAddress(const QString& v) {
    hostAddress_ = Gbk::fitted(v, FixedText - 1);
}
void CFtpSource::setHostName(const QString& v) {
    hostName_ = Gbk::fitted(v, FixedText - 1);
}
void CFtpSource::setAccount(const QString& v) {
    account_ = Gbk::fitted(v, FixedText - 1);
}
void CFtpSource::setStartFolder(const QString& v) {
    startFolder_ = Gbk::fitted(v, FixedText - 1);
}
void CFtpSource::setHomepageUrl(const QString& v) {
    homepageUrl_ = Gbk::fitted(v, HomepageText - 1);
}
void CFtpSource::setHomepageFtpPath(const QString& v) {
    homepageFtpPath_ = Gbk::fitted(v, HomepageText - 1);
}
