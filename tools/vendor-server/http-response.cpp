#include "http-response.h"

HttpResponse PageResponse(int status, const std::string& text) {
    HttpResponse response;
    response.status = status;
    response.body = "<html><body><p>" + text + "</p></body></html>\n";
    return response;
}

const char* StatusReason(int status) {
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Unknown";
    }
}

std::string ResponseHead(const HttpResponse& response) {
    unsigned long long length = response.file >= 0 ? response.fileSize : response.body.size();
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       StatusReason(response.status) + "\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    head += "Content-Length: " + std::to_string(length) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    return head + "Connection: close\r\n\r\n";
}
