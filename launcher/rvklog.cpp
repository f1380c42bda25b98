#include "rvklog.h"

#include <windows.h>

#include <cstring>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "TextConvert.h"

namespace rvklog {

const char* LevelName(int32_t level) {
    static const char* const names[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERROR", "FATAL"};
    return level >= Trace && level <= Fatal ? names[level] : "OTHER";
}

const char* LevelLetter(int32_t level) {
    static const char* const letters[] = {"T", "D", "I", "W", "E", "F"};
    return level >= Trace && level <= Fatal ? letters[level] : "O";
}

LogData::LogData() : textBuf(text, kTextCapacity), stream(&textBuf) {
    text[0] = '\0';
    stream.fill(' ');
}

LogMessage::LogMessage(const char* file, int32_t line, BaseLogger* logger)
    : logger_(logger), record_(new LogData) {
    record_->file = file ? file : "";
    const char* slash = std::strrchr(record_->file, '/');
    if (!slash) slash = std::strrchr(record_->file, '\\');
    record_->baseName = slash ? slash + 1 : record_->file;
    record_->line = line;
    record_->level = Info;
    __time64_t now = _time64(nullptr);
    record_->time = now;
    _gmtime64_s(&record_->utc, &now);
}

LogMessage::~LogMessage() {
    Send();
    if (deleteRecord_) delete record_;
}

void LogMessage::WriteHeader() {
    std::ostringstream header;
    header << std::left << std::setw(5) << LevelName(record_->level) << " - " << record_->baseName
           << "(" << record_->line << "): ";
    const std::string text = header.str();
    record_->stream << text;
    record_->headerLength = static_cast<int32_t>(text.size());
}

void LogMessage::Send() {
    if (sent_) return;
    fixed_streambuf& buf = record_->textBuf;
    if (buf.size() == 0 || buf.data()[buf.size() - 1] != '\n') {
        if (buf.full()) buf.unput();
        buf.sputc('\n');
    }
    deleteRecord_ = logger_ ? logger_->Emit(record_) : true;
    sent_ = true;
}

namespace n_log {
void CustomLogMessage::WriteHeader() {
    const std::tm& t = record_->utc;
    std::ostringstream header;
    header << "[" << LoggerName() << "][" << LevelLetter(record_->level) << "][" << t.tm_year + 1900
           << "-" << t.tm_mon + 1 << "-" << t.tm_mday << " " << t.tm_hour << ":" << t.tm_min << ":"
           << t.tm_sec << "] ";
    const std::string text = header.str();
    record_->stream << text;
    record_->headerLength = static_cast<int32_t>(text.size());
}
}  // namespace n_log

FilteringLogger::~FilteringLogger() {
    if (ownsForward_) delete forward_;
}

bool FilteringLogger::Emit(LogData* record) {
    if (record->level < threshold_) return true;
    return forward_ ? forward_->Emit(record) : false;
}

bool OstreamLogger::Emit(LogData* record) {
    const size_t length = record->textBuf.size();
    record->text[length] = '\0';
    if (stream_) {
        stream_->write(record->text, static_cast<std::streamsize>(length));
        stream_->flush();
    }
    return true;
}

StdErrLogger::StdErrLogger() : OstreamLogger(&std::cerr) {}

namespace {
void ToDebugger(const char* text) { OutputDebugStringA(text); }
}  // namespace

outputdebug_buf::outputdebug_buf(TextSink sink) : sink_(sink ? sink : &ToDebugger) {
    setp(area_, area_ + kAreaSize);
}

void outputdebug_buf::FlushArea() {
    const size_t count = static_cast<size_t>(pptr() - pbase());
    if (count > 0) {
        area_[count] = '\0';
        sink_(area_);
    }
    setp(area_, area_ + kAreaSize);
}

outputdebug_buf::int_type outputdebug_buf::overflow(int_type ch) {
    FlushArea();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int outputdebug_buf::sync() {
    FlushArea();
    return 0;
}

VqLogger::VqLogger(const char* /*logFileName: no sink of the launcher writes a file*/) {}

VqLogger::~VqLogger() {
    delete dbgSink;
    delete stdSink;
}

void VqLogger::AddDefaultSinks() {
    dbgSink = new VqDbgLogger;
    sinks_.push_back(dbgSink);
    stdSink = new VqStdLogger;
    sinks_.push_back(stdSink);
}

bool VqLogger::Emit(LogData* record) {
    bool answer = true;
    for (const boost::any& sink : sinks_) {
        if (!answer) break;
        BaseLogger* target = nullptr;
        if (VqStdLogger* const* s = boost::any_cast<VqStdLogger*>(&sink)) {
            if (stdEnabled) target = *s;
        } else if (VqDbgLogger* const* d = boost::any_cast<VqDbgLogger*>(&sink)) {
            if (dbgEnabled) target = *d;
        } else if (VqFileLogger* const* f = boost::any_cast<VqFileLogger*>(&sink)) {
            if (fileEnabled) target = *f;
        }
        if (!target) continue;
        try {
            answer = target->Emit(record);
        } catch (...) {
            break;
        }
    }
    return answer;
}

namespace {
// Built before wWinMain; the default sinks own their streams and live until exit.
struct RootSetup {
    VqLogger root{"rvk.log"};
    std::string name{"RVK"};
    RootSetup() { root.AddDefaultSinks(); }
};
RootSetup g_setup;
}  // namespace

VqLogger& RootLogger() { return g_setup.root; }
const std::string& LoggerName() { return g_setup.name; }

std::string WideToLogText(const std::wstring& text) {
    // Code page 936, as the "chs" locale converts, without touching the process locale.
    return win32::ToNarrow(936, text);
}

std::ostream& LogStreamInsertWide(std::ostream& stream, const wchar_t* text) {
    if (text) stream << WideToLogText(text);
    return stream;
}

}  // namespace rvklog
