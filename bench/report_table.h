// The printed report: each size's numbers, then every measured operation as a ratio to its
// floor and how it grows from the smallest size to the largest.
#pragma once

#include "bench_support.h"

#include <vector>

namespace bench {

void PrintSize(const Results& results);
void PrintTable(const std::vector<Results>& sizes);

}  // namespace bench
