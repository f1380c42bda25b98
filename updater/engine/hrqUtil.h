#pragma once
#include <string>

namespace hrq {

// Ends the client process named by ProgName; true when no client runs any more.
bool KillClient();

// Writes one message to the pipe "\\.\Pipe\<name>" (one connection per message);
// true only when the whole message was written.
bool WritePipeBuf(const std::wstring& name, const std::wstring& message);

} // namespace hrq

// The updater's folder with its trailing backslash, or "" when the path holds none.
std::wstring GetModuleDir();
