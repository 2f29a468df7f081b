// Command codes (PT_UP ...) and speed axes (PT_AXIS_PAN ...) are the public
// header's, so protocol code and hosts name them alike.
#pragma once

#include "trevalo.h"
