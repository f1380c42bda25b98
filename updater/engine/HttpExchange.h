#pragma once
#include <cstdint>
#include <string>

#include <boost/system/error_code.hpp>

class HttpConnection;

// One parsed answer header.
struct HttpResponse {
    std::string httpVersion;
    int status = -1;
    std::string headerText;
    std::string contentType;
    std::string lastModified;
    std::string location;
    int64_t contentLength = 0;
    int64_t totalLength = 0;   // contentLength, or the Content-Range total when present and not 0
    int64_t rangeStart = 0;
    bool hasContentRange = false;

    void Reset() { *this = HttpResponse(); }
};

namespace http {

// Packages are positioned with 32-bit values in the part files' protocol: 2 GiB and above is refused.
const int64_t kMaxPackageSize = 0x7FFFFFFF;
// An answer whose header does not end within this many bytes is refused.
const size_t kMaxHeaderBytes = 64 * 1024;
const int kMaxRedirectsInRow = 10;

// "name" or "name:port" -> name and port ("80" when none is given).
void SplitServerAddress(const std::string& host, std::string& name, std::string& port);

// The GET request with an open-ended range from `rangeStart`. False (and no request) when the
// host holds bytes that could break the header; unsafe bytes of the path are percent-encoded.
bool BuildRequest(const std::string& host, const std::string& path, int64_t rangeStart, std::string& request);

// The status line and the fields of an answer header (without its closing blank line).
void ParseHeaderFields(const std::string& headerText, HttpResponse& response);

enum class HeaderRead { Complete, Closed, TooLarge, Failed };

// Reads until the buffer holds "\r\n\r\n"; `headerEnd` = its position. On Closed/Failed `ec`
// tells why (eof for a peer that closed).
HeaderRead ReadHeader(HttpConnection& connection, std::string& buffer, size_t& headerEnd, unsigned long timeoutMs,
                      boost::system::error_code& ec);

// Where a redirect's Location points; false for a target that cannot be followed (another
// scheme, no path, unsafe host). A bare path keeps `host`.
bool ResolveRedirect(const std::string& location, std::string& host, std::string& path);

// Text of a socket error; Wine has no system text for some of them.
std::string ErrorText(const boost::system::error_code& ec);

// Writes one line to standard output; lines of different threads never interleave.
void PrintLine(const std::string& text);

} // namespace http
