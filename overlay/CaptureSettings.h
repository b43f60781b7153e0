// What set.ini says about a capture itself (kept with the store, where the
// settings window also reaches it).
#pragma once
#include "store/CaptureSettings.h"
