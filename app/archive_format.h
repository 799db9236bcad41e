#pragma once

// The format is a word of the settings and a choice of the archive writer alike.
#include "platform/archive_format.h"
