#pragma once
// The stand-in client's record file: one line per event, appended by every instance.
//   <pid> cmdline <hex of the UTF-8 command line> | <printable text>
//   <pid> cwd <hex of the UTF-8 working folder> | <printable text>
//   <pid> pipe:<pipe name> <hex of the bytes received> | <printable text>
// The hex field is exact; the text after " | " is for people reading the file.
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace qelo {

struct RecordEntry {
    unsigned long pid = 0;
    std::string kind;   // "cmdline", "cwd" or "pipe:<name>"
    std::string bytes;  // exact bytes: UTF-8 for cmdline and cwd, as received for pipes
};

inline std::string ToHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

inline std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    return bytes;
}

inline std::string FormatRecordLine(unsigned long pid, const std::string& kind, const std::string& bytes)
{
    std::string printable;
    for (unsigned char c : bytes)
        printable += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '.';
    return std::to_string(pid) + " " + kind + " " + ToHex(bytes) + " | " + printable + "\n";
}

inline std::vector<RecordEntry> ReadRecord(const std::string& path)
{
    std::vector<RecordEntry> entries;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        // A line without its newline is still being written.
        if (in.eof())
            break;
        size_t first = line.find(' ');
        size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
        if (second == std::string::npos)
            continue;
        size_t third = line.find(' ', second + 1);
        RecordEntry entry;
        entry.pid = std::strtoul(line.substr(0, first).c_str(), nullptr, 10);
        entry.kind = line.substr(first + 1, second - first - 1);
        entry.bytes = FromHex(line.substr(second + 1, third == std::string::npos ? third : third - second - 1));
        entries.push_back(entry);
    }
    return entries;
}

} // namespace qelo
