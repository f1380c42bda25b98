#pragma once
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "StringConvert.h"

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TestFolder {
public:
    explicit TestFolder(const std::string& name)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::filesystem::path(temp) / (L"qixdl_" + StringToWide(name) + L"_" + std::to_wstring(GetCurrentProcessId()));
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        std::filesystem::create_directories(path_);
    }
    ~TestFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // With a trailing backslash, as the engine takes folders.
    std::wstring Wide() const { return path_.wstring() + L"\\"; }
    std::string Narrow() const { return WideToString(Wide()); }
    std::string File(const std::string& name) const { return Narrow() + name; }
    bool Exists(const std::string& name) const { return GetFileAttributesA(File(name).c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(File(name), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path path_;
};
