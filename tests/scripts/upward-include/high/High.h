#pragma once

#include "Low.h"

struct High {
};
