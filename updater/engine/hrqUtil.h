#pragma once
#include <string>

class ConfigParser;

namespace hrq {

// Ends the client process named by ProgName; true when no client runs any more, false also
// when the processes cannot be listed.
bool KillClient();

// The client's pipe name, "LU_" + LaunchName, or "" when LaunchName is absent or the name
// does not fit its 260-byte buffer (then nothing can be written to it).
std::wstring LaunchPipeName(const ConfigParser& config);
std::wstring LaunchPipeName();  // of ConfigParser::Instance()

// Writes one message to the pipe "\\.\Pipe\<name>" (one connection per message);
// true only when the whole message was written.
bool WritePipeBuf(const std::wstring& name, const std::wstring& message);

} // namespace hrq

// The updater's folder with its trailing backslash, or "" when the path holds none.
std::wstring GetModuleDir();
