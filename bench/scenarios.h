#pragma once

// The scenarios that have files of their own.

#include "benchserver.h"
#include "harness.h"

namespace Bench {

// A list of 1,000 rows with one comment of 1 MiB or 16 MiB: its paint and its load against the
// same list without it.
void longTexts(Report &report, BenchServer &server);

// The control against the membercomment-server executable holding 1,000, 10,000 and 30,000
// comments: loads, one save of 1,000 changed rows, and what compression does to a load.
void endToEnd(Report &report);

} // namespace Bench
