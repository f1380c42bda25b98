#include "HttpExchange.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

#include <boost/asio/error.hpp>

#include "HttpConnection.h"

namespace {

const char kHeaderEnd[] = "\r\n\r\n";
const char kHttpScheme[] = "http://";
const size_t kHeaderReadChunk = 16 * 1024;

bool StartsWithNoCase(const std::string& text, size_t at, const char* prefix)
{
    size_t len = std::strlen(prefix);
    if (text.size() - std::min(at, text.size()) < len)
        return false;
    return _strnicmp(text.c_str() + at, prefix, len) == 0;
}

// A byte that must never reach the request line or a header line as it is.
bool UnsafeByte(unsigned char c)
{
    return c <= 0x20 || c >= 0x7F;
}

size_t SkipBlanks(const std::string& text, size_t pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    return pos;
}

// Decimal value at `pos` (an optional '-' first); 0 when there are no digits. Values that do not
// fit in 64 bits read as the largest value, so they fail every size check.
int64_t ReadDecimal(const std::string& text, size_t pos)
{
    pos = SkipBlanks(text, pos);
    bool negative = pos < text.size() && text[pos] == '-';
    if (negative)
        ++pos;
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        int digit = text[pos] - '0';
        if (value > (std::numeric_limits<int64_t>::max() - digit) / 10)
            return std::numeric_limits<int64_t>::max();
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

} // namespace

namespace http {

void PrintLine(const std::string& text)
{
    static std::mutex outputMutex;
    std::lock_guard<std::mutex> lock(outputMutex);
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

std::string ErrorText(const boost::system::error_code& ec)
{
    if (ec == boost::asio::error::timed_out)
        return "timed out";
    if (ec == boost::asio::error::operation_aborted)
        return "operation aborted";
    return ec.message();
}

void SplitServerAddress(const std::string& host, std::string& name, std::string& port)
{
    size_t colon = host.find(':');
    if (colon == std::string::npos) {
        name = host;
        port = "80";
    } else {
        name = host.substr(0, colon);
        port = host.substr(colon + 1);
    }
}

bool BuildRequest(const std::string& host, const std::string& path, int64_t rangeStart, std::string& request)
{
    if (host.empty() || std::any_of(host.begin(), host.end(), [](char c) { return UnsafeByte(c); }))
        return false;
    static const char kHex[] = "0123456789ABCDEF";
    std::string target;
    for (char c : path) {
        unsigned char u = static_cast<unsigned char>(c);
        if (UnsafeByte(u)) {
            target += '%';
            target += kHex[u >> 4];
            target += kHex[u & 0xF];
        } else {
            target += c;
        }
    }
    request = "GET " + target + " HTTP/1.1\r\n";
    request += "Host: " + host + "\r\n";
    request += "Accept: */*\r\n";
    request += "Pragma: no-cache\r\n";
    request += "Cache-Control: no-cache\r\n";
    request += "Connection: close\r\n";
    request += "Range: bytes=" + std::to_string(rangeStart) + "- \r\n";
    request += "\r\n";
    return true;
}

HeaderRead ReadHeader(HttpConnection& connection, std::string& buffer, size_t& headerEnd, unsigned long timeoutMs,
                      boost::system::error_code& ec)
{
    std::unique_ptr<char[]> chunk(new char[kHeaderReadChunk]);
    size_t searchFrom = 0;
    for (;;) {
        size_t pos = buffer.find(kHeaderEnd, searchFrom);
        if (pos != std::string::npos) {
            if (pos > kMaxHeaderBytes)
                return HeaderRead::TooLarge;
            headerEnd = pos;
            return HeaderRead::Complete;
        }
        if (buffer.size() > kMaxHeaderBytes)
            return HeaderRead::TooLarge;
        searchFrom = buffer.size() < 3 ? 0 : buffer.size() - 3;
        size_t got = connection.ReadSome(chunk.get(), kHeaderReadChunk, timeoutMs, ec);
        if (ec == boost::asio::error::eof)
            return HeaderRead::Closed;
        if (ec)
            return HeaderRead::Failed;
        buffer.append(chunk.get(), got);
    }
}

bool ResolveRedirect(const std::string& location, std::string& host, std::string& path)
{
    if (!location.empty() && location[0] == '/' && (location.size() < 2 || location[1] != '/')) {
        path = location;
        return true;
    }
    std::string rest;
    if (StartsWithNoCase(location, 0, "//"))
        rest = location.substr(2);
    else if (StartsWithNoCase(location, 0, kHttpScheme))
        rest = location.substr(std::strlen(kHttpScheme));
    else
        return false;
    size_t slash = rest.find('/');
    if (slash == std::string::npos || slash == 0)
        return false;
    std::string newHost = rest.substr(0, slash);
    if (std::any_of(newHost.begin(), newHost.end(), [](char c) { return UnsafeByte(c); }))
        return false;
    host = newHost;
    path = rest.substr(slash);
    return true;
}

void ParseHeaderFields(const std::string& headerText, HttpResponse& response)
{
    response.headerText = headerText;
    const std::string& text = response.headerText;
    bool haveRangeTotal = false;
    int64_t rangeTotal = 0;

    size_t lineStart = 0;
    bool statusLine = true;
    while (lineStart <= text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        std::string line = text.substr(lineStart, lineEnd - lineStart);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lineStart = lineEnd + 1;

        if (statusLine) {
            statusLine = false;
            size_t space = line.find(' ');
            response.httpVersion = line.substr(0, space);
            if (space != std::string::npos) {
                size_t pos = SkipBlanks(line, space);
                if (pos < line.size() && line[pos] >= '0' && line[pos] <= '9')
                    response.status = static_cast<int>(std::min<int64_t>(ReadDecimal(line, pos), 999999));
            }
            continue;
        }
        // Field names are matched at the start of the line, in any letter case.
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        size_t valueAt = SkipBlanks(line, colon + 1);
        std::string value = line.substr(valueAt);
        if (_stricmp(name.c_str(), "Content-Type") == 0) {
            response.contentType = value;
        } else if (_stricmp(name.c_str(), "Location") == 0) {
            response.location = value;
        } else if (_stricmp(name.c_str(), "Content-Length") == 0) {
            response.contentLength = ReadDecimal(value, 0);
        } else if (_stricmp(name.c_str(), "Last-Modified") == 0) {
            response.lastModified = value;
        } else if (_stricmp(name.c_str(), "Content-Range") == 0 && StartsWithNoCase(value, 0, "bytes")) {
            std::string range = value.substr(5);
            response.hasContentRange = true;
            response.rangeStart = ReadDecimal(range, 0);
            size_t slash = range.find('/');
            if (slash != std::string::npos) {
                rangeTotal = ReadDecimal(range, slash + 1);
                haveRangeTotal = rangeTotal != 0;
            }
        }
    }
    // The range total wins whichever line comes first.
    response.totalLength = haveRangeTotal ? rangeTotal : response.contentLength;
}

} // namespace http
