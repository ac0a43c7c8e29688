#include "Pair.h"
