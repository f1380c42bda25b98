#include <windows.h>

#include <gtest/gtest.h>

#include "CmdLineParser.h"
#include "TestSupport.h"

using qixtest::TestFolder;
using qixtest::WriteFileBytes;

namespace {

const wchar_t kModuleDir[] = L"X:\\a\\b\\temp\\";

ZipDwCfg Build(const wchar_t* line, const std::string& launchName = "qeloLaunch.exe")
{
    return BuildZipConf(line, kModuleDir, launchName);
}

} // namespace

TEST(CmdLineKeys, QuotesRepeatedAndUpperCaseKeys)
{
    CCmdLineParser parser(L"-URL=first -url=second -pagecallparam=\"x y\" -forcedupdate=1");
    EXPECT_EQ(parser.GetValue(L"url"), L"first");
    EXPECT_EQ(parser.GetValue(L"Url"), L"first");
    EXPECT_EQ(parser.GetValue(L"pagecallparam"), L"x y");
    EXPECT_EQ(parser.GetValue(L"forcedupdate"), L"1");
}

TEST(CmdLineKeys, SlashItemsTabsAndOddForms)
{
    CCmdLineParser slash(L"/url=a -md5=b");
    EXPECT_TRUE(slash.FindKey(L"url") == slash.End());
    EXPECT_EQ(slash.GetValue(L"md5"), L"b");

    CCmdLineParser tab(L"-a=x\ty -b=z");
    EXPECT_EQ(tab.GetValue(L"a"), L"x\ty");
    EXPECT_EQ(tab.GetValue(L"b"), L"z");

    // A value running to the next blank swallows its dashes; a bare item joins the next key.
    CCmdLineParser dashes(L"-a=x-y -flag -b=1");
    EXPECT_EQ(dashes.GetValue(L"a"), L"x-y");
    EXPECT_EQ(dashes.GetValue(L"flag -b"), L"1");

    CCmdLineParser trailing(L"-md5=abc -forcedupdate=");
    EXPECT_EQ(trailing.GetValue(L"md5"), L"abc");
    EXPECT_TRUE(trailing.FindKey(L"forcedupdate") != trailing.End());
    EXPECT_EQ(trailing.GetValue(L"forcedupdate"), L"");

    CCmdLineParser unclosed(L"-p=\"open quote");
    EXPECT_EQ(unclosed.GetValue(L"p"), L"open quote");

    CCmdLineParser none(nullptr);
    EXPECT_TRUE(none.FindKey(L"url") == none.End());
}

TEST(ZipConf, UrlHostPathAndMd5)
{
    ZipDwCfg cfg = Build(L"-url=http://h/p/u.zip -md5=ABC -pagecallparam=\"x y\" -forcedupdate=1");
    EXPECT_EQ(cfg.url, "http://h/p/u.zip?ABC");
    EXPECT_EQ(cfg.host, "h");
    EXPECT_EQ(cfg.path, "/p/u.zip");
    EXPECT_EQ(cfg.zipMd5, "ABC");
    EXPECT_EQ(cfg.pageCallParam, "x y");
    EXPECT_EQ(cfg.forcedUpdate, 1);
    EXPECT_TRUE(cfg.runClient);
    EXPECT_EQ(cfg.zipPath, L"X:\\a\\b\\temp\\update.zip");

    ZipDwCfg port = Build(L"-url=http://h:8080/u.zip");
    EXPECT_EQ(port.host, "h:8080");
    EXPECT_EQ(port.url, "http://h:8080/u.zip?");

    ZipDwCfg secure = Build(L"-url=https://h/u.zip");
    EXPECT_EQ(secure.host, "https:");
    EXPECT_EQ(secure.path, "//h/u.zip");

    ZipDwCfg noSlash = Build(L"-url=http://h");
    EXPECT_EQ(noSlash.host, "");
    EXPECT_EQ(noSlash.path, "h");
}

TEST(ZipConf, ForcedUpdateReadsLikeAtoi)
{
    EXPECT_EQ(Build(L"-forcedupdate=").forcedUpdate, 0);
    EXPECT_EQ(Build(L"-forcedupdate=-1").forcedUpdate, -1);
    EXPECT_EQ(Build(L"-forcedupdate=2x").forcedUpdate, 2);
    EXPECT_EQ(Build(L"-forcedupdate=abc").forcedUpdate, 0);
    EXPECT_EQ(Build(L"").forcedUpdate, 0);
}

TEST(ZipConf, DefaultFolders)
{
    ZipDwCfg cfg = Build(L"-url=http://h/u.zip");
    EXPECT_EQ(cfg.extractPath, L"X:\\a\\");
    EXPECT_EQ(cfg.clientExePath, L"X:\\a\\b\\qeloLaunch.exe");

    ZipDwCfg noName = Build(L"-url=http://h/u.zip", "");
    EXPECT_EQ(noName.clientExePath, L"X:\\a\\b\\");

    // A missing extract folder or client falls back as if absent.
    ZipDwCfg missing = Build(L"-extractpath=X:\\no\\such -clientexe=X:\\no\\such.exe");
    EXPECT_EQ(missing.extractPath, L"X:\\a\\");
    EXPECT_EQ(missing.clientExePath, L"X:\\a\\b\\qeloLaunch.exe");
}

TEST(ZipConf, ExistingFoldersAreKept)
{
    TestFolder folder(L"cmdline");
    WriteFileBytes(folder / L"client.exe", "x");
    std::wstring extract = folder.Path();
    std::wstring client = folder.Path() + L"client.exe";
    std::wstring line = L"-extractpath=\"" + extract + L"\" -clientexe=\"" + client + L"\"";
    ZipDwCfg cfg = Build(line.c_str());
    EXPECT_EQ(cfg.extractPath, extract);
    EXPECT_EQ(cfg.clientExePath, client);
}

TEST(ZipConf, CopiesEveryField)
{
    ZipDwCfg cfg = Build(L"-url=http://h/u.zip -md5=m -forcedupdate=3");
    ZipDwCfg copy(cfg);
    ZipDwCfg assigned;
    assigned = cfg;
    assigned = assigned;
    for (const ZipDwCfg* c : {&copy, &assigned}) {
        EXPECT_EQ(c->url, cfg.url);
        EXPECT_EQ(c->host, cfg.host);
        EXPECT_EQ(c->extractPath, cfg.extractPath);
        EXPECT_EQ(c->forcedUpdate, 3);
    }
    ZipDwCfg empty;
    EXPECT_FALSE(empty.runClient);
    EXPECT_EQ(empty.forcedUpdate, 0);
}
