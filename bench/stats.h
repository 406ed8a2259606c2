// The robust comparison behind every figure: two sides measured in
// interleaved rounds on a possibly busy machine, summarised by their medians
// and quartiles, and the ratio of the medians with a 95% interval from a
// bootstrap over the rounds. A ratio whose interval straddles its target is
// "inconclusive", not met or missed.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

struct Spread {
  double median, low, high;  // the median and the quartiles around it
};

struct Comparison {
  Spread ours, floor;
  double ratio;      // median of ours / median of floor
  double low, high;  // 95% interval of the ratio
};

// ours[i] and floor[i] were measured in the same round.
Comparison Compare(const std::vector<double>& ours, const std::vector<double>& floor);

// "met" when the whole interval is at or below the target, "missed" when it
// is all above, else "inconclusive".
std::string Verdict(const Comparison& comparison, double target);

// The column headings, then one line per figure: both medians with their
// quartiles (times scale, in unit), the ratio with its interval, the target
// and the verdict, which it returns.
void PrintHeading(const char* ours, const char* floor);
std::string PrintComparison(const char* work, const Comparison& comparison, double target,
                            double scale, const char* unit);

}  // namespace bench
