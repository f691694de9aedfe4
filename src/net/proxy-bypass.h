// The hosts that go straight to their server although a proxy is set: the
// Internet settings' "ProxyOverride" and the environment's no_proxy.
#pragma once

// "ProxyOverride": entries separated by ";" (or blanks), each a pattern in
// which "*" stands for any run of characters, compared without letter case
// with the URL's host, with "host:port" and with "scheme://host"; the entry
// "<local>" matches every host name without a dot. 1 when one matches, with
// that entry in `rule` (cut to `ruleSize`).
int ProxyOverrideMatches(const char* list, const char* url, char* rule, int ruleSize);

// no_proxy: entries separated by "," (or blanks). "*" matches every host; a
// name matches itself and the names below it (a leading "." is ignored); an
// IPv4 address with "/bits" matches its network; ":port" after an entry
// limits it to that port. 1 when one matches, with the entry in `rule`.
int ProxyNoProxyMatches(const char* list, const char* url, char* rule, int ruleSize);

// `text` against `pattern` with "*" wildcards, without letter case.
bool ProxyWildcardMatch(const char* pattern, const char* text);
