#pragma once

#include "Twin.h"
