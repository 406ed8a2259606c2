// The robust comparison for figures measured outside a program (the
// start-up times): reads one round per line, "<ours> <floor>", and prints
// the medians, the ratio with its interval and the verdict.
// Usage: compare <work> <target> <unit> [<ours heading> <floor heading>]
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "stats.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: compare <work> <target> <unit> [<ours> <floor>]\n");
    return 2;
  }
  std::vector<double> ours, floor;
  double a = 0, b = 0;
  while (std::cin >> a >> b) {
    ours.push_back(a);
    floor.push_back(b);
  }
  if (ours.size() < 3) {
    std::fprintf(stderr, "compare: too few rounds (%zu)\n", ours.size());
    return 1;
  }
  if (argc >= 6) bench::PrintHeading(argv[4], argv[5]);
  bench::PrintComparison(argv[1], bench::Compare(ours, floor), std::atof(argv[2]), 1, argv[3]);
  return 0;
}
