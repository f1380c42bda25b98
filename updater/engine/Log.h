#pragma once
// The updater's log: easylogging++, logger "default" (configured by InitLogging at start).
#include <easylogging++.h>
