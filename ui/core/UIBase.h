// The framework's value types in one include.
#pragma once

#include "core/UIPtrArray.h"
#include "core/UIRect.h"
#include "core/UIString.h"
#include "core/UIStringMap.h"
