// The change history's interface lives with the history (engine/history).
#pragma once

#include "engine/history/History.h"
