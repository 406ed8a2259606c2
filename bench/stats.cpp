#include "stats.h"

#include <algorithm>
#include <random>

namespace bench {
namespace {

double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  const double at = q * static_cast<double>(values.size() - 1);
  const auto below = static_cast<std::size_t>(at);
  const std::size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + (at - static_cast<double>(below)) * (values[above] - values[below]);
}

Spread SpreadOf(const std::vector<double>& values) {
  return {Quantile(values, 0.5), Quantile(values, 0.25), Quantile(values, 0.75)};
}

}  // namespace

Comparison Compare(const std::vector<double>& ours, const std::vector<double>& floor) {
  Comparison c{SpreadOf(ours), SpreadOf(floor), 0, 0, 0};
  c.ratio = c.ours.median / c.floor.median;
  // Resample whole rounds, so that what disturbed one round disturbs both
  // sides of it; a fixed seed makes the interval repeatable.
  std::mt19937 random(20241208);
  std::uniform_int_distribution<std::size_t> pick(0, ours.size() - 1);
  std::vector<double> ratios, a(ours.size()), b(ours.size());
  for (int resample = 0; resample < 2000; ++resample) {
    for (std::size_t i = 0; i < ours.size(); ++i) {
      const std::size_t round = pick(random);
      a[i] = ours[round];
      b[i] = floor[round];
    }
    ratios.push_back(Quantile(a, 0.5) / Quantile(b, 0.5));
  }
  c.low = Quantile(ratios, 0.025);
  c.high = Quantile(ratios, 0.975);
  return c;
}

std::string Verdict(const Comparison& comparison, double target) {
  if (comparison.high <= target) return "met";
  if (comparison.low > target) return "missed";
  return "inconclusive";
}

void PrintHeading(const char* ours, const char* floor) {
  std::printf("%-30s %-28s %-28s %-21s %6s %s\n", "medians (quartiles)", ours, floor,
              "ratio [95% interval]", "target", "verdict");
}

std::string PrintComparison(const char* work, const Comparison& c, double target, double scale,
                            const char* unit) {
  const std::string verdict = Verdict(c, target);
  char ours[64], floor[64];
  std::snprintf(ours, sizeof ours, "%.2f (%.2f-%.2f) %s", c.ours.median * scale, c.ours.low * scale,
                c.ours.high * scale, unit);
  std::snprintf(floor, sizeof floor, "%.2f (%.2f-%.2f) %s", c.floor.median * scale,
                c.floor.low * scale, c.floor.high * scale, unit);
  std::printf("%-30s %-28s %-28s %6.3f [%.3f, %.3f] %6.2f %s\n", work, ours, floor, c.ratio, c.low,
              c.high, target, verdict.c_str());
  return verdict;
}

}  // namespace bench
