#include "TestHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "TestSupport.h"
#include "md5.h"

HttpTimings FastHttpTimings(DWORD readMs)
{
    HttpTimings t;
    t.connectMs = 2000;
    t.readMs = readMs;
    t.firstDataPollMs = 100;  // first data within 0.5 s
    t.stallPeriodMs = 600;
    return t;
}

namespace {

const DWORD kSliceMs = 50;

// Waits up to `ms` for the socket to become readable (read) or writable; false on timeout.
bool WaitSocket(SOCKET s, bool read, DWORD ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return select(0, read ? &set : nullptr, read ? nullptr : &set, nullptr, &tv) > 0;
}

std::string LowerNames(const std::string& header)
{
    std::string out;
    size_t pos = 0;
    bool first = true;
    while (pos < header.size()) {
        size_t end = header.find("\r\n", pos);
        std::string line = header.substr(pos, end - pos);
        if (!first) {
            size_t colon = line.find(':');
            for (size_t i = 0; i < colon && i < line.size(); ++i)
                line[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
        }
        first = false;
        out += line + "\r\n";
        pos = end + 2;
    }
    return out;
}

} // namespace

bool TestHttpServer::Peer::Send(const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (stopping_)
            return false;
        if (!WaitSocket(socket_, false, kSliceMs))
            continue;
        int n = send(socket_, bytes.data() + sent, static_cast<int>(std::min<size_t>(bytes.size() - sent, 65536)), 0);
        if (n == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool TestHttpServer::Peer::SendByteByByte(const std::string& bytes, DWORD pauseMs)
{
    for (char c : bytes) {
        if (!Send(std::string(1, c)))
            return false;
        Sleep(pauseMs);
    }
    return true;
}

bool TestHttpServer::Peer::WaitForClientClose()
{
    ULONGLONG start = GetTickCount64();
    char scratch[4096];
    while (!stopping_ && GetTickCount64() - start < qixtest::kWaitLimitMs) {
        if (!WaitSocket(socket_, true, kSliceMs))
            continue;
        int n = recv(socket_, scratch, sizeof scratch, 0);
        if (n == 0 || (n == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK))
            return true;
    }
    return false;
}

TestHttpServer::TestHttpServer(Handler handler) : handler_(std::move(handler))
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener_, SOMAXCONN);
    int len = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread(&TestHttpServer::AcceptLoop, this);
}

TestHttpServer::~TestHttpServer()
{
    Stop();
    WSACleanup();
}

void TestHttpServer::Stop()
{
    if (stopping_.exchange(true))
        return;
    if (acceptThread_.joinable())
        acceptThread_.join();
    closesocket(listener_);
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threads.swap(connections_);
    }
    for (std::thread& t : threads)
        t.join();
}

std::vector<TestHttpServer::Request> TestHttpServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void TestHttpServer::AcceptLoop()
{
    while (!stopping_) {
        if (!WaitSocket(listener_, true, kSliceMs))
            continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        u_long nonBlocking = 1;
        ioctlsocket(client, FIONBIO, &nonBlocking);
        std::lock_guard<std::mutex> lock(mutex_);
        ++open_;
        connections_.emplace_back(&TestHttpServer::Serve, this, client);
    }
}

void TestHttpServer::Serve(SOCKET client)
{
    std::string raw;
    char buffer[4096];
    size_t end = std::string::npos;
    while (!stopping_ && end == std::string::npos) {
        if (!WaitSocket(client, true, kSliceMs))
            continue;
        int n = recv(client, buffer, sizeof buffer, 0);
        if (n == 0 || (n == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK))
            break;
        if (n > 0)
            raw.append(buffer, n);
        end = raw.find("\r\n\r\n");
    }
    if (end != std::string::npos) {
        Request request;
        request.raw = raw.substr(0, end + 4);
        size_t sp1 = raw.find(' ');
        size_t sp2 = raw.find(' ', sp1 + 1);
        if (sp1 != std::string::npos && sp2 != std::string::npos)
            request.target = raw.substr(sp1 + 1, sp2 - sp1 - 1);
        size_t range = request.raw.find("\r\nRange: bytes=");
        if (range != std::string::npos) {
            request.hasRange = true;
            request.rangeStart = std::strtoll(request.raw.c_str() + range + 15, nullptr, 10);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        Peer peer(client, stopping_);
        handler_(request, peer);
    }
    shutdown(client, SD_SEND);
    closesocket(client);
    --open_;
}

void ServePackage(const std::string& package, const PackageOptions& options, const TestHttpServer::Request& request,
                  TestHttpServer::Peer& peer)
{
    const int64_t total = static_cast<int64_t>(package.size());
    const int64_t claimed = options.claimedTotal >= 0 ? options.claimedTotal : total;
    bool ranged = options.honourRange && request.hasRange;
    int64_t from = ranged ? request.rangeStart : 0;
    std::string header;
    if (ranged && from >= total) {
        header = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + std::to_string(claimed)
                 + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        peer.Send(options.lowerCaseNames ? LowerNames(header) : header);
        return;
    }
    if (ranged) {
        header = "HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\nContent-Range: bytes "
                 + std::to_string(from) + "-" + std::to_string(total - 1) + "/" + std::to_string(claimed)
                 + "\r\nContent-Length: " + std::to_string(total - from) + "\r\nConnection: close\r\n\r\n";
    } else {
        header = "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: " + std::to_string(total)
                 + "\r\nConnection: close\r\n\r\n";
    }
    if (options.lowerCaseNames)
        header = LowerNames(header);
    if (options.headerByteByByte ? !peer.SendByteByByte(header, 1) : !peer.Send(header))
        return;

    std::string body = package.substr(static_cast<size_t>(from));
    size_t limit = std::min({body.size(), options.dropAfterBytes, options.stallAfterBytes});
    if (options.bytesPerSecond == 0) {
        if (!peer.Send(body.substr(0, limit)))
            return;
    } else {
        const size_t step = std::max<size_t>(1, options.bytesPerSecond / 20);
        for (size_t pos = 0; pos < limit; pos += step) {
            if (!peer.Send(body.substr(pos, std::min(step, limit - pos))))
                return;
            Sleep(50);
        }
    }
    if (limit == options.stallAfterBytes && limit < body.size()) {
        if (options.stallLog)
            ++options.stallLog->stalled;
        // Held far longer than any client's stall detection takes.
        const bool closedByClient = peer.WaitForClientClose();
        if (options.stallLog) {
            options.stallLog->closedByClient += closedByClient ? 1 : 0;
            ++options.stallLog->ended;
        }
    }
}

bool StallsEndedByClient(const StallLog& log)
{
    return qixtest::WaitUntil([&log] { return log.ended >= log.stalled; }) && log.stalled > 0 &&
           log.closedByClient == log.stalled;
}

std::string MakePackage(size_t size, unsigned seed)
{
    std::string data(size, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = static_cast<char>(x & 0xFF);
    }
    return data;
}

std::string Md5Hex(const std::string& bytes)
{
    MD5_CTX ctx;
    ctx.Update(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
    unsigned char digest[16];
    ctx.Final(digest);
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : digest) {
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}
