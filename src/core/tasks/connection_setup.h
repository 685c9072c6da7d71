#pragma once

#include "core/engine/wire_text.h"

class ConnectionSource;
struct NetworkSettings;

// What a new connection takes from the network settings: the proxy, or
// none, and how many segments one download may use.
void applyNetworkSettings(const NetworkSettings& settings, ConnectionSource& source);

// The wire text a site asks for: its fixed encoding ("UTF8", "GBK"), else
// to find out.
WireText::Choice encodingChoiceOf(const QString& siteEncoding);
