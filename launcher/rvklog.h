// The launcher's own small logging layer: a record is built by a short-lived message object
// and handed to the root logger, which offers it to the debugger output and standard error.
#pragma once

#include <boost/any.hpp>

#include <cstdint>
#include <ctime>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace rvklog {

enum LogLevel : int32_t { Trace = 0, Debug = 1, Info = 2, Warn = 3, Error = 4, Fatal = 5 };

const char* LevelName(int32_t level);    // "TRACE" ... "FATAL", "OTHER"
const char* LevelLetter(int32_t level);  // "T" ... "F", "O"

// A stream buffer over a caller's fixed array: it never grows, text beyond the array is dropped.
class fixed_streambuf : public std::streambuf {
public:
    fixed_streambuf(char* buffer, size_t size) { setp(buffer, buffer + size); }
    size_t size() const { return static_cast<size_t>(pptr() - pbase()); }
    bool full() const { return pptr() == epptr(); }
    char* data() const { return pbase(); }
    // Drops the last character (used to make room for the closing newline).
    void unput() { if (pptr() > pbase()) pbump(-1); }
};

struct LogData {
    static constexpr size_t kTextCapacity = 20000;

    LogData();
    virtual ~LogData() = default;
    LogData(const LogData&) = delete;
    LogData& operator=(const LogData&) = delete;

    std::string Text() const { return std::string(textBuf.data(), textBuf.size()); }

    char text[kTextCapacity + 1];
    fixed_streambuf textBuf;
    std::ostream stream;
    int32_t headerLength = 0;
    int32_t level = Info;
    int32_t line = 0;
    const char* file = "";
    const char* baseName = "";
    int64_t time = 0;
    std::tm utc{};
};

class BaseLogger {
public:
    virtual bool Emit(LogData* record) = 0;  // true: the sender may delete the record
    virtual ~BaseLogger() = default;
};

class LogMessage {
public:
    LogMessage(const char* file, int32_t line, BaseLogger* logger);
    virtual ~LogMessage();
    virtual void WriteHeader();
    LogMessage(const LogMessage&) = delete;
    LogMessage& operator=(const LogMessage&) = delete;

    void Send();
    // Writes the header and returns the record's stream for the text.
    std::ostream& Begin() { WriteHeader(); return record_->stream; }
    std::ostream& stream() { return record_->stream; }
    LogData* record() { return record_; }

protected:
    BaseLogger* logger_;
    bool sent_ = false;
    bool deleteRecord_ = false;
    LogData* record_;
};

namespace n_log {
// The launcher's header: "[RVK][I][2026-12-8 8:5:3] ", UTC, numbers without padding.
class CustomLogMessage : public LogMessage {
public:
    using LogMessage::LogMessage;
    void WriteHeader() override;
};
}  // namespace n_log

class FilteringLogger : public BaseLogger {
public:
    FilteringLogger(int32_t threshold, BaseLogger* forward, bool ownsForward)
        : threshold_(threshold), forward_(forward), ownsForward_(ownsForward) {}
    ~FilteringLogger() override;
    bool Emit(LogData* record) override;

protected:
    int32_t threshold_;
    BaseLogger* forward_;
    bool ownsForward_;
};

class OstreamLogger : public BaseLogger {
public:
    explicit OstreamLogger(std::ostream* stream) : stream_(stream) {}
    bool Emit(LogData* record) override;

protected:
    std::ostream* stream_;
};

class StdErrLogger : public OstreamLogger {
public:
    StdErrLogger();
};

// Passes its put area to a text sink (OutputDebugStringA unless told otherwise) whenever it
// fills and on every flush, so long text reaches the debugger in pieces of 256 characters.
class outputdebug_buf : public std::streambuf {
public:
    using TextSink = void (*)(const char* text);
    static constexpr size_t kAreaSize = 256;

    explicit outputdebug_buf(TextSink sink = nullptr);

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    void FlushArea();

    TextSink sink_;
    char area_[kAreaSize + 1];
};

class outputdebug_stream : public std::ostream {
public:
    explicit outputdebug_stream(outputdebug_buf::TextSink sink = nullptr)
        : std::ostream(nullptr), buf_(sink) { rdbuf(&buf_); }

private:
    outputdebug_buf buf_;
};

class OutputDebugStringLogger : public OstreamLogger {
public:
    explicit OutputDebugStringLogger(outputdebug_buf::TextSink sink = nullptr)
        : OstreamLogger(nullptr), out_(sink) { stream_ = &out_; }

private:
    outputdebug_stream out_;
};

class VqFilteringLogger : public FilteringLogger {
public:
    using FilteringLogger::FilteringLogger;
};

// A default-made sink owns the stream logger it makes; one given a forward logger does not.
class VqDbgLogger : public VqFilteringLogger {
public:
    VqDbgLogger() : VqFilteringLogger(Trace, new OutputDebugStringLogger, true) {}
    explicit VqDbgLogger(BaseLogger* forward) : VqFilteringLogger(Trace, forward, false) {}
};

class VqStdLogger : public VqFilteringLogger {
public:
    VqStdLogger() : VqFilteringLogger(Trace, new StdErrLogger, true) {}
    explicit VqStdLogger(BaseLogger* forward) : VqFilteringLogger(Trace, forward, false) {}
};

class VqFileLogger : public VqFilteringLogger {
public:
    explicit VqFileLogger(BaseLogger* forward) : VqFilteringLogger(Trace, forward, false) {}
};

class VqLogger : public BaseLogger {
public:
    explicit VqLogger(const char* logFileName = "rvk.log");
    ~VqLogger() override;  // deletes the default sinks; sinks given to AddSink stay the caller's
    VqLogger(const VqLogger&) = delete;
    VqLogger& operator=(const VqLogger&) = delete;
    bool Emit(LogData* record) override;
    void AddDefaultSinks();
    void AddSink(const boost::any& sink) { sinks_.push_back(sink); }

    VqStdLogger* stdSink = nullptr;
    VqDbgLogger* dbgSink = nullptr;
    VqFileLogger* fileSink = nullptr;
    bool stdEnabled = true;
    bool dbgEnabled = true;
    bool fileEnabled = true;

private:
    std::vector<boost::any> sinks_;
};

// The root logger, set up before wWinMain, and the name written into every header.
VqLogger& RootLogger();
const std::string& LoggerName();

std::string WideToLogText(const std::wstring& text);
std::ostream& LogStreamInsertWide(std::ostream& stream, const wchar_t* text);

}  // namespace rvklog

// One INFO record to the root logger, written as coming from the launcher's unit; the
// temporary message sends it at the end of the statement.
#define RVK_LOG()                                                                      \
    rvklog::n_log::CustomLogMessage("..\\Velmoor.cpp", __LINE__, &rvklog::RootLogger()).Begin()
