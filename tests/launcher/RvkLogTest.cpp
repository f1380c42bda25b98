// The launcher's logging layer: header, record size, sinks and the walk over them.
#include "rvklog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace rvklog;

namespace {

std::vector<std::string> g_debuggerPieces;
void CaptureDebugger(const char* text) { g_debuggerPieces.push_back(text); }

std::string DebuggerText() {
    std::string all;
    for (const std::string& piece : g_debuggerPieces) all += piece;
    return all;
}

class Thrower : public BaseLogger {
public:
    bool Emit(LogData*) override { throw std::runtime_error("sink failed"); }
};

class SinkTest : public ::testing::Test {
protected:
    void SetUp() override { g_debuggerPieces.clear(); }

    // A root logger whose debugger sink feeds g_debuggerPieces and whose std sink a string.
    std::ostringstream stdText_;
    OstreamLogger stdStream_{&stdText_};
    OutputDebugStringLogger debugger_{&CaptureDebugger};
    VqStdLogger stdSink_{&stdStream_};
    VqDbgLogger dbgSink_{&debugger_};
};

std::tm Utc(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

// --- header and record ----------------------------------------------------------------------------

TEST(Header, CustomHeaderHasNoPaddingAndCountsItsLength) {
    OstreamLogger sink(nullptr);
    n_log::CustomLogMessage message("..\\Velmoor.cpp", 1, &sink);
    message.record()->utc = Utc(2026, 12, 8, 8, 5, 3);
    message.WriteHeader();
    EXPECT_EQ(message.record()->Text(), "[RVK][I][2026-12-8 8:5:3] ");
    EXPECT_EQ(message.record()->headerLength, 26);
}

TEST(Header, RecordTimeIsTheCurrentUtcTime) {
    OstreamLogger sink(nullptr);
    LogMessage message("..\\Velmoor.cpp", 1, &sink);
    SYSTEMTIME now;
    GetSystemTime(&now);
    const std::tm& utc = message.record()->utc;
    EXPECT_EQ(utc.tm_year + 1900, now.wYear);
    EXPECT_EQ(utc.tm_mon + 1, now.wMonth);
    EXPECT_EQ(utc.tm_mday, now.wDay);
    EXPECT_NEAR(static_cast<double>(message.record()->time), static_cast<double>(_time64(nullptr)), 5);
    EXPECT_STREQ(message.record()->baseName, "Velmoor.cpp");
    EXPECT_EQ(message.record()->level, Info);
}

TEST(Header, DefaultHeaderNamesLevelFileAndLine) {
    OstreamLogger sink(nullptr);
    LogMessage message("src/launcher/Velmoor.cpp", 42, &sink);
    message.WriteHeader();
    EXPECT_EQ(message.record()->Text(), "INFO  - Velmoor.cpp(42): ");
    EXPECT_STREQ(LevelLetter(9), "O");
    EXPECT_STREQ(LevelName(-1), "OTHER");
}

TEST(Record, FullTextGivesUpItsLastCharacterForTheNewline) {
    std::ostringstream out;
    OstreamLogger sink(&out);
    {
        LogMessage message("f.cpp", 1, &sink);
        message.stream() << std::string(LogData::kTextCapacity, 'x');
    }
    EXPECT_EQ(out.str(), std::string(LogData::kTextCapacity - 1, 'x') + "\n");
}

TEST(Record, LongerTextIsCutAtTheArray) {
    std::ostringstream out;
    OstreamLogger sink(&out);
    {
        LogMessage message("f.cpp", 1, &sink);
        message.stream() << std::string(LogData::kTextCapacity + 5000, 'y');
    }
    EXPECT_EQ(out.str().size(), LogData::kTextCapacity);
    EXPECT_EQ(out.str().back(), '\n');
}

TEST(Record, TextAlreadyEndingWithNewlineIsKept) {
    std::ostringstream out;
    OstreamLogger sink(&out);
    {
        LogMessage message("f.cpp", 1, &sink);
        message.stream() << std::string(LogData::kTextCapacity - 1, 'z') << "\n";
    }
    EXPECT_EQ(out.str(), std::string(LogData::kTextCapacity - 1, 'z') + "\n");
}

// --- sinks ----------------------------------------------------------------------------------------

TEST_F(SinkTest, RegistryFailureLineReachesTheDebuggerWithHeaderAndNewline) {
    VqLogger root;
    root.AddSink(boost::any(&dbgSink_));
    root.AddSink(boost::any(&stdSink_));
    {
        n_log::CustomLogMessage message("..\\Velmoor.cpp", 211, &root);
        message.record()->utc = Utc(2026, 12, 8, 8, 5, 3);
        message.Begin() << "set reg failure: ";
    }
    EXPECT_EQ(DebuggerText(), "[RVK][I][2026-12-8 8:5:3] set reg failure: \n");
    EXPECT_EQ(stdText_.str(), DebuggerText());
}

TEST_F(SinkTest, DebuggerGetsLongTextInPiecesOf256) {
    {
        LogMessage message("f.cpp", 1, &debugger_);
        message.stream() << std::string(600, 'd');
    }
    ASSERT_EQ(g_debuggerPieces.size(), 3u);
    EXPECT_EQ(g_debuggerPieces[0].size(), 256u);
    EXPECT_EQ(g_debuggerPieces[1].size(), 256u);
    EXPECT_EQ(g_debuggerPieces[2], std::string(88, 'd') + "\n");
}

TEST_F(SinkTest, SwitchedOffStdSinkIsPassedOver) {
    VqLogger root;
    root.AddSink(boost::any(&stdSink_));
    root.AddSink(boost::any(&dbgSink_));
    root.stdEnabled = false;
    { n_log::CustomLogMessage("..\\Velmoor.cpp", 1, &root).Begin() << "only the debugger"; }
    EXPECT_EQ(stdText_.str(), "");
    EXPECT_NE(DebuggerText().find("] only the debugger\n"), std::string::npos);
}

TEST_F(SinkTest, SinkAnsweringFalseStopsTheWalk) {
    VqStdLogger refusing(nullptr);  // no forward logger: answers false
    VqLogger root;
    root.AddSink(boost::any(&refusing));
    root.AddSink(boost::any(&dbgSink_));
    LogMessage message("f.cpp", 1, &root);
    message.stream() << "kept";
    EXPECT_FALSE(root.Emit(message.record()));
    EXPECT_TRUE(g_debuggerPieces.empty());
}

TEST_F(SinkTest, ThrowingSinkEndsTheWalk) {
    Thrower thrower;
    VqStdLogger throwing(&thrower);
    VqLogger root;
    root.AddSink(boost::any(&throwing));
    root.AddSink(boost::any(&dbgSink_));
    LogMessage message("f.cpp", 1, &root);
    message.stream() << "x\n";
    EXPECT_TRUE(root.Emit(message.record()));
    EXPECT_TRUE(g_debuggerPieces.empty());
}

TEST_F(SinkTest, FilterBelowThresholdAnswersTrueWithoutOutput) {
    FilteringLogger filter(Warn, &debugger_, false);
    LogMessage message("f.cpp", 1, &filter);
    message.stream() << "dropped\n";
    EXPECT_TRUE(filter.Emit(message.record()));
    EXPECT_TRUE(g_debuggerPieces.empty());
    message.record()->level = Error;
    EXPECT_TRUE(filter.Emit(message.record()));
    EXPECT_EQ(DebuggerText(), "dropped\n");
}

TEST(RootLogger, StatementsReachStandardErrorWithTheLauncherHeader) {
    ASSERT_NE(RootLogger().dbgSink, nullptr);
    ASSERT_NE(RootLogger().stdSink, nullptr);
    std::ostringstream captured;
    std::streambuf* saved = std::cerr.rdbuf(captured.rdbuf());
    RVK_LOG() << "par: " << 7;
    LogStreamInsertWide(RVK_LOG() << "wide: ", L"abc");
    std::cerr.rdbuf(saved);
    const std::string text = captured.str();
    EXPECT_EQ(text.rfind("[RVK][I][", 0), 0u) << text;
    EXPECT_NE(text.find("] par: 7\n[RVK][I]["), std::string::npos) << text;
    EXPECT_NE(text.find("] wide: abc\n"), std::string::npos) << text;
}

TEST(WideText, ConvertsToCodePage936) {
    EXPECT_EQ(WideToLogText(L"\u4e2d\u6587"), "\xd6\xd0\xce\xc4");
    EXPECT_EQ(WideToLogText(L""), "");
}

}  // namespace
