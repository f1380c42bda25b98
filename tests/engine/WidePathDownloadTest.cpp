#include <gtest/gtest.h>

#include <windows.h>

#include "HttpDownload.h"
#include "StringConvert.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

using namespace qixtest;

// The updater may live in a folder whose name the ANSI code page cannot hold (a user name in
// another script): part files, merge, digest and rename all work through wide paths.
TEST(WidePaths, DownloadsIntoAFolderOutsideTheAnsiCodePage)
{
    TestFolder base(L"widepath");
    std::wstring folder = base / L"\u65E5\u672C\u0416\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));

    std::string package = MakePackage(100000, 7);
    TestHttpServer server([&](const TestHttpServer::Request& request, TestHttpServer::Peer& peer) {
        ServePackage(package, PackageOptions(), request, peer);
    });
    // Part 2 was fetched before: it is resumed, not fetched again.
    WriteFileBytes(folder + L"update.td2", package.substr(50000, 1000));

    CHttpDownload http(folder);
    DownloadInfo info;
    info.md5 = Md5Hex(package);
    std::string host = server.Address();
    std::string path = "/u.zip";
    ASSERT_EQ(http.Download(host, path, info), 1);

    EXPECT_EQ(ReadFileBytes(folder + L"update.zip"), package);
    for (const wchar_t* part : {L"update.td", L"update.td0", L"update.td1", L"update.td2", L"update.td3"})
        EXPECT_FALSE(FileExists(folder + part)) << Narrow(part);
    bool resumedPart2 = false;
    for (const auto& request : server.Requests())
        resumedPart2 = resumedPart2 || request.rangeStart == 51000;
    EXPECT_TRUE(resumedPart2);
}
