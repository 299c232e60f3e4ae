#pragma once

#include "PageBlock.h"

// The sieve's table, one byte per number: a block whose pages are faulted in
// when it is made, so that filling it takes no page faults.
using SieveTable = PageBlock;
