#pragma once

class ConnectionSource;
struct NetworkSettings;

// What a new connection takes from the network settings: the proxy, or
// none, and how many segments one download may use.
void applyNetworkSettings(const NetworkSettings& settings, ConnectionSource& source);
