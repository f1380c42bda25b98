#include "UpdaterApp.h"

#include "ConfigParser.h"
#include "Log.h"

CUpdaterApp::CUpdaterApp(HINSTANCE instance) : hInstance(instance) {}

CUpdaterApp::~CUpdaterApp()
{
    if (instanceMutex != nullptr)
        CloseHandle(instanceMutex);
    stop = true;
}

bool CUpdaterApp::Run(const wchar_t* /*cmdLine*/)
{
    ConfigParser::Instance();
    return true;
}
