#include "core/tasks/connection_setup.h"

#include "core/engine/connection_source.h"
#include "core/platform/ini_profile.h"
#include "core/settings/network_settings.h"
#include "core/sites/site_record.h"

void applyNetworkSettings(const NetworkSettings& settings, ConnectionSource& source) {
    source.segmentLimit = settings.segmentCount();
    source.segmentsAllowed = source.segmentLimit > 1;
    source.dataMode = settings.dataMode;
    if (settings.useProxy) {
        source.useProxy = 1;
        source.proxyHost = settings.proxyHost;
        const int port = IniProfile::leadingInt(settings.proxyPort);
        source.proxyPort = port > 0 ? port : 21;
        source.proxyUser = settings.proxyUser;
        source.proxyPass = settings.proxyPass;
    } else {
        source.useProxy = 0;
        source.proxyHost.clear();
        source.proxyPort = 0;
        source.proxyUser.clear();
        source.proxyPass.clear();
    }
}

WireText::Choice encodingChoiceOf(const QString& siteEncoding) {
    if (siteEncoding == QLatin1String(SiteRecord::Utf8))
        return WireText::Choice::Utf8;
    if (siteEncoding == QLatin1String(SiteRecord::Gbk))
        return WireText::Choice::Gbk;
    return WireText::Choice::Auto;
}
