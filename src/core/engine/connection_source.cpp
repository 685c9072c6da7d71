#include "core/engine/connection_source.h"

#include "core/platform/gbk_text.h"

void ConnectionSource::setUser(const QString& v) {
    user_ = Gbk::fitted(v, FixedText - 1);
}
void ConnectionSource::setPassword(const QString& v) {
    password_ = Gbk::fitted(v, FixedText - 1);
}
// An IPv6 address may come in brackets, as addresses write it ("[::1]").
void ConnectionSource::setHostAddress(const QString& v) {
    const bool bracketed = v.startsWith(QLatin1Char('[')) && v.endsWith(QLatin1Char(']'));
    hostAddress_ = Gbk::fitted(bracketed ? v.mid(1, v.size() - 2) : v, FixedText - 1);
}
void ConnectionSource::setHostName(const QString& v) {
    hostName_ = Gbk::fitted(v, FixedText - 1);
}
void ConnectionSource::setAccount(const QString& v) {
    account_ = Gbk::fitted(v, FixedText - 1);
}
void ConnectionSource::setStartFolder(const QString& v) {
    startFolder_ = Gbk::fitted(v, FixedText - 1);
}
void ConnectionSource::setHomepageUrl(const QString& v) {
    homepageUrl_ = Gbk::fitted(v, HomepageText - 1);
}
void ConnectionSource::setHomepageFtpPath(const QString& v) {
    homepageFtpPath_ = Gbk::fitted(v, HomepageText - 1);
}
