// Proxy auto-configuration: the PAC file the settings name ("AutoConfigURL"),
// or on Windows the one automatic detection finds, decides per address.
#pragma once

#include "net/proxy-route.h"
#include "net/proxy-settings.h"

// Asks the PAC for `url` and logs its answer. 1 when it decided: `routes`
// holds its entries in order (a proxy named in the fixed settings, or in
// the environment, keeps the credentials given there). 0 when no PAC
// applies, or it could not be fetched or run (logged): the fixed settings
// then apply.
int ProxyFromAutoConfig(const ProxySettings* settings, const char* url, ProxyRoutes* routes);

// The routes of a PAC answer ("PROXY a:1; PROXY b:2; DIRECT"): "PROXY" and
// "HTTP" entries and "DIRECT", in order; other kinds are skipped (logged).
// The number of routes taken.
int ProxyRoutesFromPac(const char* answer, ProxyRoutes* routes);
