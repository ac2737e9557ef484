// Moved to tests/support, where every folder finds it.
#pragma once
#include "tests/support/StoreFixture.h"
