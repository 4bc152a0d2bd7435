// libFuzzer target for the GiD mesh reader: each input is read as a mesh file
// by GID_mesh_count, then by GID_mesh into arrays of the counted size (or, on
// failure, of the most records the input can hold) between two guard records.
// Any difference between the two routines, a code outside the reader's set, a
// changed count after a failure, a node index out of range or a touched guard traps.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "TH10G15.h"
#include "fuzz_check.h"

namespace {

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;

std::string g_dir;

// A failing input of at most kMaxLen bytes leaves at most one node per 4 bytes
// and one element per 16 in buffers kept for them (allocating 48 KB element
// records for every input would slow the fuzzing down many times); successful
// reads get exactly allocated arrays, so that AddressSanitizer sees any access past them.
const std::size_t kMaxLen = 4096;

// n records between two guard records, at `buffer` or newly allocated.
template <class Record>
struct Guarded {
  std::unique_ptr<Record[]> owned;
  Record* records;
  std::size_t n;
  Guarded(std::size_t count, Record* buffer)
      : owned(buffer ? nullptr : new Record[count + 2]), records(buffer ? buffer : owned.get()), n(count) {
    std::memset(static_cast<void*>(&records[0]), 0xA5, sizeof(Record));
    std::memset(static_cast<void*>(&records[n + 1]), 0xA5, sizeof(Record));
  }
  bool intact() const {
    const auto* lo = reinterpret_cast<const unsigned char*>(&records[0]);
    const auto* hi = reinterpret_cast<const unsigned char*>(&records[n + 1]);
    for (std::size_t i = 0; i < sizeof(Record); ++i)
      if (lo[i] != 0xA5 || hi[i] != 0xA5) return false;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A working directory of its own, in memory when possible; the library's
  // messages go nowhere.
  std::string tmpl = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/th10fuzz-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr || chdir(tmpl.c_str()) != 0) std::abort();
  g_dir = tmpl;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
  });
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FUZZ_CHECK(size <= kMaxLen);
  std::remove("fuzz_ascii.msh");  // a new file each time: rewriting in place is slow on some file systems
  std::FILE* f = std::fopen("fuzz_ascii.msh", "wb");
  FUZZ_CHECK(f != nullptr && std::fwrite(data, 1, size, f) == size && std::fclose(f) == 0);

  char name[] = "fuzz";
  int counted_nodes = -11, counted_elements = -22, nNodes = -11, nElements = -22;
  const int counted = TH10G15::GID_mesh_count(name, counted_nodes, counted_elements);
  FUZZ_CHECK(counted == 0 || (counted <= -3 && counted >= -8));
  const bool ok = counted == 0;
  static std::unique_ptr<FEM::NODE[]> node_buffer(new FEM::NODE[kMaxLen / 4 + 3]);
  static std::unique_ptr<TH10G15::ELEMENT[]> element_buffer(new TH10G15::ELEMENT[kMaxLen / 16 + 3]);
  Guarded<FEM::NODE> nodes(ok ? static_cast<std::size_t>(counted_nodes) : size / 4 + 1,
                           ok ? nullptr : node_buffer.get());
  Guarded<TH10G15::ELEMENT> elements(ok ? static_cast<std::size_t>(counted_elements) : size / 16 + 1,
                                     ok ? nullptr : element_buffer.get());
  const int code = TH10G15::GID_mesh(name, nodes.records + 1, nNodes, elements.records + 1, nElements);
  FUZZ_CHECK(code == counted && nodes.intact() && elements.intact());
  FUZZ_CHECK(nNodes == (ok ? counted_nodes : -11) && nElements == (ok ? counted_elements : -22));
  FUZZ_CHECK(ok || (counted_nodes == -11 && counted_elements == -22));
  for (int e = 0; e < nElements; ++e)
    for (int id : elements.records[1 + e].Node_ID) FUZZ_CHECK(id >= 0 && id < nNodes);
  return 0;
}
