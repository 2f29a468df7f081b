// Command codes and operation arguments shared by all protocol classes.
#pragma once

#include "trevalo.h"

enum PtAxis { PT_PAN_SPEED = 0, PT_TILT_SPEED = 1, PT_ZOOM_SPEED = 2, PT_FOCUS_SPEED = 3 };
