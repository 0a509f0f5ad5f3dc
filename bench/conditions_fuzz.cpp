// Coverage-guided fuzz target for the conditions reader (libFuzzer): every input
// is taken as the content of the conditions file and must read into a record
// with every field in range and consistent derived values. At the end it prints
// how many inputs ran and how many distinct repair paths they reached.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "tests/support/conditions_fuzz_check.h"

namespace {

std::set<uint32_t>* g_paths = nullptr;
uint64_t g_inputs = 0;

void Report() {
  std::printf("conditions reader: %llu inputs, %zu distinct repair paths\n",
              static_cast<unsigned long long>(g_inputs), g_paths ? g_paths->size() : 0);
  std::fflush(stdout);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!g_paths) {
    g_paths = new std::set<uint32_t>;
    std::atexit(Report);
  }
  uint32_t path = 0;
  const std::string failure = testsupport::CheckConditionsInput(data, size, path);
  if (!failure.empty()) {
    std::fprintf(stderr, "conditions reader: %s (input of %zu bytes)\n", failure.c_str(), size);
    std::abort();  // libFuzzer keeps the input as a crash file
  }
  ++g_inputs;
  g_paths->insert(path);
  return 0;
}
