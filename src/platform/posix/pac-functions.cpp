// The helper functions a PAC file may call, in JavaScript, as browsers
// define them. dnsResolve and myIpAddress are native (proxy-pac.cpp); the
// rest is written here on top of them.
#include "platform/posix/pac-functions.h"

const char* const PacFunctionsScript = R"PAC(
function isPlainHostName(host) { return String(host).indexOf('.') < 0; }

function dnsDomainIs(host, domain) {
    host = String(host).toLowerCase();
    domain = String(domain).toLowerCase();
    return host.length >= domain.length &&
           host.substring(host.length - domain.length) == domain;
}

function localHostOrDomainIs(host, hostdom) {
    host = String(host).toLowerCase();
    hostdom = String(hostdom).toLowerCase();
    return host == hostdom || (host.indexOf('.') < 0 && hostdom.indexOf(host + '.') == 0);
}

function isResolvable(host) { return dnsResolve(host) !== null; }

function dnsDomainLevels(host) { return String(host).split('.').length - 1; }

function pacAddressNumber(text) {
    var parts = String(text).split('.');
    if (parts.length != 4) return null;
    var number = 0;
    for (var i = 0; i < 4; i++) {
        if (!/^[0-9]{1,3}$/.test(parts[i]) || parseInt(parts[i], 10) > 255) return null;
        number = number * 256 + parseInt(parts[i], 10);
    }
    return number;
}

function isInNet(host, pattern, mask) {
    var address = pacAddressNumber(host) !== null ? host : dnsResolve(host);
    if (address === null) return false;
    var a = pacAddressNumber(address), p = pacAddressNumber(pattern), m = pacAddressNumber(mask);
    if (a === null || p === null || m === null) return false;
    return ((a & m) >>> 0) == ((p & m) >>> 0);
}

function shExpMatch(text, pattern) {
    var expression = String(pattern).replace(/[.+^${}()|[\]\\\/]/g, '\\$&')
                                    .replace(/\*/g, '.*').replace(/\?/g, '.');
    return new RegExp('^' + expression + '$').test(String(text));
}

var pacDays = ['SUN', 'MON', 'TUE', 'WED', 'THU', 'FRI', 'SAT'];
var pacMonths = ['JAN', 'FEB', 'MAR', 'APR', 'MAY', 'JUN', 'JUL', 'AUG', 'SEP', 'OCT', 'NOV', 'DEC'];

// The arguments without a trailing "GMT", and whether it was there.
function pacArguments(list) {
    var values = Array.prototype.slice.call(list);
    var gmt = values.length > 0 && String(values[values.length - 1]).toUpperCase() == 'GMT';
    if (gmt) values.pop();
    return { values: values, gmt: gmt, now: new Date() };
}

function pacInRange(value, from, to) {
    return from <= to ? (value >= from && value <= to) : (value >= from || value <= to);
}

function weekdayRange() {
    var a = pacArguments(arguments);
    var day = a.gmt ? a.now.getUTCDay() : a.now.getDay();
    var from = pacDays.indexOf(String(a.values[0]).toUpperCase());
    var to = a.values.length > 1 ? pacDays.indexOf(String(a.values[1]).toUpperCase()) : from;
    return from >= 0 && to >= 0 && pacInRange(day, from, to);
}

// dateRange(day | month | year, ...): one value each side, or two halves of
// day, month and year fields compared as one number.
function dateRange() {
    var a = pacArguments(arguments);
    var now = { d: a.gmt ? a.now.getUTCDate() : a.now.getDate(),
                m: a.gmt ? a.now.getUTCMonth() : a.now.getMonth(),
                y: a.gmt ? a.now.getUTCFullYear() : a.now.getFullYear() };
    function fields(values) {
        var f = {};
        for (var i = 0; i < values.length; i++) {
            var month = pacMonths.indexOf(String(values[i]).toUpperCase());
            if (month >= 0) f.m = month;
            else if (Number(values[i]) > 31) f.y = Number(values[i]);
            else f.d = Number(values[i]);
        }
        return f;
    }
    function key(f, shape) {
        return (shape.y !== undefined ? f.y * 10000 : 0) + (shape.m !== undefined ? f.m * 100 : 0) +
               (shape.d !== undefined ? f.d : 0);
    }
    var n = a.values.length;
    if (n == 0 || n > 6) return false;
    var from = fields(n == 1 ? a.values : a.values.slice(0, n / 2));
    var to = n == 1 ? from : fields(a.values.slice(n / 2));
    if (from.y !== undefined) return key(now, from) >= key(from, from) && key(now, from) <= key(to, from);
    return pacInRange(key(now, from), key(from, from), key(to, from));
}

// timeRange(hour), (hour1, hour2): from hour1 up to hour2, not into it;
// (h1, m1, h2, m2) and (h1, m1, s1, h2, m2, s2): both ends included.
function timeRange() {
    var a = pacArguments(arguments), v = a.values.map(Number);
    var h = a.gmt ? a.now.getUTCHours() : a.now.getHours();
    var m = a.gmt ? a.now.getUTCMinutes() : a.now.getMinutes();
    var s = a.gmt ? a.now.getUTCSeconds() : a.now.getSeconds();
    var now = h * 3600 + m * 60 + s;
    if (v.length == 1) return h == v[0];
    if (v.length == 2) return pacInRange(now, v[0] * 3600, v[1] * 3600 - 1);
    if (v.length == 4) return pacInRange(now, v[0] * 3600 + v[1] * 60, v[2] * 3600 + v[3] * 60 + 59);
    if (v.length == 6)
        return pacInRange(now, v[0] * 3600 + v[1] * 60 + v[2], v[3] * 3600 + v[4] * 60 + v[5]);
    return false;
}

function alert(message) {}
)PAC";
