// The proxy decision: how a request to a URL travels, as an ordered list of
// proxies (with their credentials) and direct connections to try.
#pragma once

#include "net/proxy-route.h"

#include <cstdint>

// Decides for `url` and logs the decision. With `useProxy` other than 1 the
// request goes direct. Otherwise, in the order Windows applies them: the
// PAC file of the settings (or, on Windows, automatic detection); the
// settings' fixed proxy for the URL's scheme, unless "ProxyOverride" names
// the host; where the settings name no proxy, the environment's (not on
// Windows) unless no_proxy names the host. Always at least one route.
void ProxyChooseRoutes(const char* url, int32_t useProxy, ProxyRoutes* routes);
