// Commits one fault on purpose, for checked_build_test: "overflow" adds past
// INT_MAX, "bounds" reads past a fixed array, "vector" past a vector's size.
// A plain build lets each pass, prints what it got and exits 0.

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t* argv[]) {
  const int one = argc - 1;  // known only at run time: no fault is folded away
  const std::wstring fault = argc > 1 ? argv[1] : L"";
  struct {
    int cells[4], after;  // a plain build's read past the array meets after
  } fixed = {{1, 2, 3, 4}, 5};
  std::vector<int> cells(4);
  cells.reserve(8);  // and its read past the size stays in the allocation
  int got = 0;
  if (fault == L"overflow") got = INT_MAX + one;
  if (fault == L"bounds") got = fixed.cells[3 + one];
  if (fault == L"vector") got = cells[3 + one];
  std::printf("%ls: %d\n", fault.c_str(), got);
  return 0;
}
