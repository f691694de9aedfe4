// Where a redirect leads: a Location value made absolute against the address
// of the request that received it, as browsers read it.
#pragma once

// Resolves `location` against `base` (an absolute http:// or https://
// address) into `resolved` (HTTP_TEXT_SIZE bytes): an absolute address is
// taken as it is, "//host/path" keeps the scheme, "/path" the scheme and
// host, and any other reference replaces the last segment of the path;
// "." and ".." segments are removed. 0 when the result does not fit.
int HttpResolveLocation(const char* base, const char* location, char* resolved);
