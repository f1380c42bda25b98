#pragma once
#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "HttpDownload.h"

// The client's timings cut short for tests against this server; readMs is the longest pause
// in an answer the test allows.
HttpTimings FastHttpTimings(DWORD readMs);

// A scriptable HTTP/1.1 server on 127.0.0.1 for the download tests. Every connection runs the
// test's handler on a thread of its own after the request header has arrived; every request
// is recorded byte for byte.
class TestHttpServer {
public:
    struct Request {
        std::string raw;          // the request exactly as received, up to and including "\r\n\r\n"
        std::string target;       // second word of the request line
        bool hasRange = false;
        int64_t rangeStart = -1;  // from "Range: bytes=N-"
    };

    // One accepted connection, handed to the handler.
    class Peer {
    public:
        explicit Peer(SOCKET s, const std::atomic<bool>& stopping) : socket_(s), stopping_(stopping) {}
        // False once the client has gone or the server is stopping.
        bool Send(const std::string& bytes);
        bool SendByteByByte(const std::string& bytes, DWORD pauseMs);
        // Waits until the client closes the connection, the server stops or the tests' wait
        // limit passes; true when the client closed it.
        bool WaitForClientClose();

    private:
        SOCKET socket_;
        const std::atomic<bool>& stopping_;
    };

    using Handler = std::function<void(const Request&, Peer&)>;

    explicit TestHttpServer(Handler handler);
    ~TestHttpServer();

    unsigned short Port() const { return port_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    std::vector<Request> Requests() const;
    // Connections accepted whose handler has not yet returned.
    int OpenConnections() const { return open_; }
    void Stop();

private:
    void AcceptLoop();
    void Serve(SOCKET client);

    Handler handler_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> open_{0};
    std::thread acceptThread_;
    mutable std::mutex mutex_; // guards the two vectors below
    std::vector<std::thread> connections_;
    std::vector<Request> requests_;
};

// Counts the connections ServePackage kept open without sending, and how each of them ended.
struct StallLog {
    std::atomic<int> stalled{0};
    std::atomic<int> ended{0};
    std::atomic<int> closedByClient{0}; // rather than held until the server gave up
};

// How ServePackage answers.
struct PackageOptions {
    bool honourRange = true;          // false: 200 with the whole package, whatever was asked
    bool lowerCaseNames = false;      // header names in lower case
    int64_t claimedTotal = -1;        // total announced in Content-Range (-1: the real one)
    size_t dropAfterBytes = SIZE_MAX; // close the connection after this many body bytes
    size_t stallAfterBytes = SIZE_MAX;// stop sending (connection kept open) after this many body bytes
    bool headerByteByByte = false;
    DWORD bytesPerSecond = 0;         // 0: as fast as the socket takes them
    StallLog* stallLog = nullptr;     // where stalls are counted, if anywhere
};

// Waits until every stalled connection has ended (the server holds one up to the tests' wait
// limit);
// true when there was one and the client closed each of them, i.e. it gave up on the stall.
bool StallsEndedByClient(const StallLog& log);

// Answers one request for `package` (206 from the asked position, 416 past its end).
void ServePackage(const std::string& package, const PackageOptions& options, const TestHttpServer::Request& request,
                  TestHttpServer::Peer& peer);

// A package of `size` pseudo-random bytes.
std::string MakePackage(size_t size, unsigned seed = 1);
std::string Md5Hex(const std::string& bytes);
