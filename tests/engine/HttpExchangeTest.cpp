#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "HttpDownload.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

using qixtest::FileExists;
using qixtest::TestFolder;
using qixtest::WriteFileBytes;

namespace {

bool Parse(CHttpDownload& http, HttpResponse& response, std::string text)
{
    size_t end = text.find("\r\n\r\n");
    return http.ParseResponseHeader(response, text, end);
}

// Serves fixed answer text for every request.
TestHttpServer::Handler Answer(const std::string& text)
{
    return [text](const TestHttpServer::Request&, TestHttpServer::Peer& peer) { peer.Send(text); };
}

struct Probe {
    explicit Probe(const std::string& host_, const std::string& path_ = "/pkg/u.zip")
        : host(host_), path(path_), http(folder.Path(), FastHttpTimings(1500))
    {
        info.totalBytes = 77;
    }
    int64_t Run() { return http.ProbeSize(path, host, info); }

    TestFolder folder{L"probe"};
    std::string host;
    std::string path;
    DownloadInfo info;
    CHttpDownload http;
};

} // namespace

TEST(ResponseHeader, RangedAndPlainAnswers)
{
    TestFolder folder(L"parse");
    CHttpDownload http(folder.Path());
    HttpResponse r;
    std::string text = "HTTP/1.1 206 Partial Content\r\nContent-Length: 100\r\nContent-Range: bytes 0-99/5000\r\n"
                       "Content-Type: application/zip\r\nLast-Modified: Tue, 1 Dec 2026\r\n\r\nBODY";
    ASSERT_TRUE(http.ParseResponseHeader(r, text, text.find("\r\n\r\n")));
    EXPECT_EQ(text, "BODY");
    EXPECT_EQ(r.httpVersion, "HTTP/1.1");
    EXPECT_EQ(r.status, 206);
    EXPECT_EQ(r.contentLength, 100);
    EXPECT_EQ(r.totalLength, 5000);
    EXPECT_EQ(r.rangeStart, 0);
    EXPECT_EQ(r.contentType, "application/zip");
    EXPECT_EQ(r.lastModified, "Tue, 1 Dec 2026");

    HttpResponse plain;
    ASSERT_TRUE(Parse(http, plain, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n"));
    EXPECT_EQ(plain.totalLength, 5000);
    EXPECT_FALSE(plain.hasContentRange);

    HttpResponse zeroTotal;
    ASSERT_TRUE(Parse(http, zeroTotal, "HTTP/1.1 206 P\r\nContent-Length: 40\r\nContent-Range: bytes 10-49/0\r\n\r\n"));
    EXPECT_EQ(zeroTotal.totalLength, 40);
    EXPECT_EQ(zeroTotal.rangeStart, 10);

    // The range total wins even when Content-Length comes after it.
    HttpResponse order;
    ASSERT_TRUE(Parse(http, order, "HTTP/1.1 206 P\r\nContent-Range: bytes 7-9/10\r\nContent-Length: 3\r\n\r\n"));
    EXPECT_EQ(order.totalLength, 10);
}

TEST(ResponseHeader, FieldNamesIgnoreCaseButMatchWholeNames)
{
    TestFolder folder(L"parsecase");
    CHttpDownload http(folder.Path());
    HttpResponse lower;
    ASSERT_TRUE(Parse(http, lower, "HTTP/1.1 206 P\r\ncontent-length: 5\r\nCONTENT-RANGE: bytes 5-9/10\r\n\r\n"));
    EXPECT_EQ(lower.contentLength, 5);
    EXPECT_EQ(lower.totalLength, 10);
    EXPECT_EQ(lower.rangeStart, 5);

    HttpResponse other;
    ASSERT_TRUE(Parse(http, other, "HTTP/1.1 200 OK\r\nX-Content-Length: 99\r\nContent-Location: /x\r\n"
                                   "X-Location: /y\r\nContent-Length: 12\r\n\r\n"));
    EXPECT_EQ(other.contentLength, 12);
    EXPECT_EQ(other.location, "");
}

TEST(ResponseHeader, LengthsAre64Bit)
{
    TestFolder folder(L"parse64");
    CHttpDownload http(folder.Path());
    HttpResponse big;
    ASSERT_TRUE(Parse(http, big, "HTTP/1.1 206 P\r\nContent-Range: bytes 0-1/5000000000\r\n\r\n"));
    EXPECT_EQ(big.totalLength, 5000000000LL);
    HttpResponse huge;
    ASSERT_TRUE(Parse(http, huge, "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n"));
    EXPECT_GT(huge.totalLength, http::kMaxPackageSize);
}

TEST(ResponseHeader, FailuresAndThe416Cleanup)
{
    TestFolder folder(L"parsefail");
    CHttpDownload http(folder.Path());
    HttpResponse bad;
    EXPECT_FALSE(Parse(http, bad, "ICY 200 OK\r\nContent-Length: 5\r\n\r\n"));
    HttpResponse notFound;
    std::string text = "HTTP/1.1 404 Not Found\r\n\r\nbody";
    EXPECT_FALSE(http.ParseResponseHeader(notFound, text, text.find("\r\n\r\n")));
    EXPECT_EQ(notFound.status, 404);
    EXPECT_EQ(text, "HTTP/1.1 404 Not Found\r\n\r\nbody");

    WriteFileBytes(folder / L"update.td", "old");
    HttpResponse range;
    EXPECT_FALSE(Parse(http, range, "HTTP/1.1 416 Range Not Satisfiable\r\n\r\n"));
    EXPECT_FALSE(FileExists(folder / L"update.td"));
}

TEST(Request, ExactBytesAndUnsafeText)
{
    std::string request;
    ASSERT_TRUE(http::BuildRequest("h:81", "/p/u.zip?abc", 1234, request));
    EXPECT_EQ(request, "GET /p/u.zip?abc HTTP/1.1\r\nHost: h:81\r\nAccept: */*\r\nPragma: no-cache\r\n"
                       "Cache-Control: no-cache\r\nConnection: close\r\nRange: bytes=1234- \r\n\r\n");

    ASSERT_TRUE(http::BuildRequest("h", "/a b\r\nX-Evil: 1\x7f\xe4", 0, request));
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /a%20b%0D%0AX-Evil:%201%7F%E4 HTTP/1.1");

    EXPECT_FALSE(http::BuildRequest("", "/a", 0, request));
    EXPECT_FALSE(http::BuildRequest("h\r\nX: y", "/a", 0, request));
    EXPECT_FALSE(http::BuildRequest("h o", "/a", 0, request));
}

TEST(Request, ServerAddressSplit)
{
    std::string name, port;
    http::SplitServerAddress("example.test", name, port);
    EXPECT_EQ(name, "example.test");
    EXPECT_EQ(port, "80");
    http::SplitServerAddress("127.0.0.1:8080", name, port);
    EXPECT_EQ(name, "127.0.0.1");
    EXPECT_EQ(port, "8080");
}

TEST(Redirects, LocationForms)
{
    std::string host = "old:1", path = "/old";
    EXPECT_TRUE(http::ResolveRedirect("http://new.test:8080/a/b.zip?x", host, path));
    EXPECT_EQ(host, "new.test:8080");
    EXPECT_EQ(path, "/a/b.zip?x");

    host = "old:1";
    EXPECT_TRUE(http::ResolveRedirect("HTTP://Up/x", host, path));
    EXPECT_EQ(host, "Up");

    host = "old:1";
    EXPECT_TRUE(http::ResolveRedirect("/bare/path.zip", host, path));
    EXPECT_EQ(host, "old:1");
    EXPECT_EQ(path, "/bare/path.zip");

    host = "old:1";
    path = "/old";
    EXPECT_FALSE(http::ResolveRedirect("https://secure/x", host, path));
    EXPECT_FALSE(http::ResolveRedirect("ftp://f/x", host, path));
    EXPECT_FALSE(http::ResolveRedirect("http://noslash", host, path));
    EXPECT_FALSE(http::ResolveRedirect("relative.zip", host, path));
    EXPECT_FALSE(http::ResolveRedirect("http://bad host/x", host, path));
    EXPECT_EQ(host, "old:1");
    EXPECT_EQ(path, "/old");
}

TEST(Probe, SizesFromRangedAndPlainAnswers)
{
    TestHttpServer ranged(Answer("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-99/5000\r\n"
                                 "Content-Length: 100\r\n\r\n"));
    Probe a(ranged.Address());
    EXPECT_EQ(a.Run(), 5000);
    EXPECT_EQ(a.info.totalBytes, 5000);
    ASSERT_EQ(ranged.Requests().size(), 1u);
    EXPECT_EQ(ranged.Requests()[0].raw,
              "GET /pkg/u.zip HTTP/1.1\r\nHost: " + ranged.Address()
                  + "\r\nAccept: */*\r\nPragma: no-cache\r\nCache-Control: no-cache\r\nConnection: close\r\n"
                    "Range: bytes=0- \r\n\r\n");

    TestHttpServer plain(Answer("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n"));
    Probe b(plain.Address());
    EXPECT_EQ(b.Run(), 5000);

    TestHttpServer lower(Answer("HTTP/1.1 206 Partial Content\r\ncontent-range: bytes 0-9/10\r\ncontent-length: 10\r\n\r\n"));
    Probe c(lower.Address());
    EXPECT_EQ(c.Run(), 10);

    TestHttpServer none(Answer("HTTP/1.1 200 OK\r\n\r\n"));
    Probe d(none.Address());
    EXPECT_EQ(d.Run(), 0);
    EXPECT_EQ(d.info.totalBytes, 0);
}

TEST(Probe, HeaderArrivingOneByteAtATime)
{
    std::string answer = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-4999/5000\r\nContent-Length: 5000\r\n\r\n";
    TestHttpServer server([answer](const TestHttpServer::Request&, TestHttpServer::Peer& peer) {
        peer.SendByteByByte(answer, 1);
    });
    Probe p(server.Address());
    EXPECT_EQ(p.Run(), 5000);
}

TEST(Probe, TotalsOutOfRangeFail)
{
    for (const char* total : {"2147483648", "5000000000", "-5"}) {
        TestHttpServer server(Answer(std::string("HTTP/1.1 206 P\r\nContent-Range: bytes 0-9/") + total
                                     + "\r\nContent-Length: 10\r\n\r\n"));
        Probe p(server.Address());
        EXPECT_EQ(p.Run(), 0) << total;
        EXPECT_EQ(p.info.totalBytes, 0) << total;
    }
    TestHttpServer negative(Answer("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"));
    Probe n(negative.Address());
    EXPECT_EQ(n.Run(), 0);

    TestHttpServer justBelow(Answer("HTTP/1.1 206 P\r\nContent-Range: bytes 0-9/2147483647\r\n\r\n"));
    Probe b(justBelow.Address());
    EXPECT_EQ(b.Run(), 2147483647LL);
}

TEST(Probe, Redirects)
{
    TestHttpServer absolute(Answer("HTTP/1.1 302 Found\r\nLocation: http://cdn.test:8080/a/b.zip\r\n\r\n"));
    Probe a(absolute.Address());
    EXPECT_EQ(a.Run(), -302);
    EXPECT_EQ(a.host, "cdn.test:8080");
    EXPECT_EQ(a.path, "/a/b.zip");

    TestHttpServer bare(Answer("HTTP/1.1 301 Moved\r\nlocation: /moved/u.zip\r\n\r\n"));
    Probe b(bare.Address());
    EXPECT_EQ(b.Run(), -302);
    EXPECT_EQ(b.host, bare.Address());
    EXPECT_EQ(b.path, "/moved/u.zip");

    TestHttpServer noSlash(Answer("HTTP/1.1 302 Found\r\nLocation: http://elsewhere\r\n\r\n"));
    Probe c(noSlash.Address());
    EXPECT_EQ(c.Run(), 0);
    EXPECT_EQ(c.host, noSlash.Address());

    TestHttpServer secure(Answer("HTTP/1.1 302 Found\r\nLocation: https://cdn.test/a.zip\r\n\r\n"));
    Probe d(secure.Address());
    EXPECT_EQ(d.Run(), 0);
}

TEST(Probe, ErrorAnswersAndClosedConnections)
{
    TestHttpServer notFound(Answer("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
    Probe a(notFound.Address());
    EXPECT_EQ(a.Run(), 0);

    TestHttpServer closes(Answer("HTTP/1.1 206 Partial"));
    Probe b(closes.Address());
    EXPECT_EQ(b.Run(), 0);
    EXPECT_EQ(b.info.totalBytes, 0);

    // Nothing listens on a port that was just released.
    std::string gone;
    {
        TestHttpServer server(Answer(""));
        gone = server.Address();
    }
    Probe c(gone);
    EXPECT_EQ(c.Run(), 0);

    Probe d("");
    EXPECT_EQ(d.Run(), 0);
}

// A server that answers nothing: holds the connection for the tests' wait limit, far longer
// than any timing of the probe, and tells whether the client closed it first.
struct SilentServer {
    SilentServer()
        : server([this](const TestHttpServer::Request&, TestHttpServer::Peer& peer) {
              closedByClient = peer.WaitForClientClose();
              ended = true;
          })
    {
    }
    // Waits for the connection's end; true when the client ended it.
    bool ClientHungUp() const
    {
        return qixtest::WaitUntil([this] { return ended.load(); }) && closedByClient;
    }

    std::atomic<bool> closedByClient{false};
    std::atomic<bool> ended{false};
    TestHttpServer server;
};

TEST(Probe, SilentServerAndEndlessHeaderAreBounded)
{
    SilentServer silent;
    Probe a(silent.server.Address());
    EXPECT_EQ(a.Run(), 0);
    EXPECT_TRUE(silent.ClientHungUp()) << "the probe's read timeout, not the server, ended the wait";

    TestHttpServer endless([](const TestHttpServer::Request&, TestHttpServer::Peer& peer) {
        std::string line = "X-Filler: " + std::string(1000, 'x') + "\r\n";
        peer.Send("HTTP/1.1 200 OK\r\n");
        for (int i = 0; i < 200 && peer.Send(line); ++i) {
        }
    });
    Probe b(endless.Address());
    EXPECT_EQ(b.Run(), 0);
}

TEST(Probe, CancelStopsAWaitingProbe)
{
    SilentServer silent;
    TestFolder folder(L"probecancel");
    HttpTimings slow;
    slow.readMs = 600000; // only the cancel can end the wait before the server does
    CHttpDownload http(folder.Path(), slow);
    std::string host = silent.server.Address(), path = "/u.zip";
    DownloadInfo info;
    std::atomic<int64_t> result{-1};
    std::thread probe([&] { result = http.ProbeSize(path, host, info); });
    EXPECT_TRUE(qixtest::WaitUntil([&] { return !silent.server.Requests().empty(); }));
    http.Cancel();
    probe.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(silent.ClientHungUp()) << "the cancel, not the server, ended the wait";
}
