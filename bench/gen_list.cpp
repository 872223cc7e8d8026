// gen_list: writes a saved list of N synthetic rows (SyntheticList.h), for the export benchmark.
//
//   gen_list OUT.list N [SEED]

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "SyntheticList.h"
#include "list/SavedLists.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: gen_list OUT.list N [SEED]\n");
    return 2;
  }
  const long rows = std::atol(argv[2]);
  std::mt19937 random(argc > 3 ? static_cast<unsigned>(std::atol(argv[3])) : 17u);
  std::ofstream out(argv[1], std::ios::binary);
  for (long i = 0; i < rows; ++i) out << folidex::FormatListLine(folidex::bench::SyntheticRow(i, random));
  return out ? 0 : 1;
}
