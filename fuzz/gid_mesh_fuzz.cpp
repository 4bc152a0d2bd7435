// libFuzzer target for the GiD mesh reader. Each input is written as a mesh
// file and read twice: GID_mesh_count first, then GID_mesh into arrays of
// exactly the counted size (on success) or of the most records the input can
// hold (on failure), with a guard record on each side. Any difference between
// the two routines, a code outside the reader's set, a changed count after a
// failure, a node index out of range or a touched guard traps.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
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

void remove_dir() {
  std::error_code ec;
  std::filesystem::current_path("/", ec);
  std::filesystem::remove_all(g_dir, ec);
}

// The most records a failing input can leave: at most one node per 8 bytes
// ("1 0 0 0\n") and one element per 22 bytes, for inputs of kMaxLen bytes.
const std::size_t kMaxLen = 4096;
const std::size_t kMaxNodes = kMaxLen / 4 + 1;
const std::size_t kMaxElements = kMaxLen / 16 + 1;

// An uninitialised array of n records between two guard records: exactly
// allocated (so that AddressSanitizer sees any access past it), or, for the
// failing inputs, the start of a buffer kept for the largest possible
// count (element records are 48 KB; allocating them for every input would
// slow the fuzzing down many times).
template <class Record>
struct Guarded {
  std::unique_ptr<Record[]> owned;
  Record* records;
  std::size_t n;
  Guarded(std::size_t count, Record* buffer)
      : owned(buffer ? nullptr : new Record[count + 2]), records(buffer ? buffer : owned.get()), n(count) {
    std::memset(&records[0], 0xA5, sizeof(Record));
    std::memset(&records[n + 1], 0xA5, sizeof(Record));
  }
  Record* array() { return records + 1; }
  bool intact() const {
    const unsigned char* lo = reinterpret_cast<const unsigned char*>(&records[0]);
    const unsigned char* hi = reinterpret_cast<const unsigned char*>(&records[n + 1]);
    for (std::size_t i = 0; i < sizeof(Record); ++i)
      if (lo[i] != 0xA5 || hi[i] != 0xA5) return false;
    return true;
  }
};

void write_input(const std::uint8_t* data, std::size_t size) {
  std::remove("fuzz_ascii.msh");  // a new file each time: rewriting in place is slow on some file systems
  std::remove("gid_mesh.txt");
  std::FILE* f = std::fopen("fuzz_ascii.msh", "wb");
  FUZZ_CHECK(f != nullptr);
  FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
  FUZZ_CHECK(std::fclose(f) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A working directory of its own for the mesh and control files, in memory
  // when possible; the library's messages go nowhere.
  std::string tmpl = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/th10fuzz-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr || chdir(tmpl.c_str()) != 0) std::abort();
  g_dir = tmpl;
  std::atexit(remove_dir);
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  write_input(data, size);
  char name[] = "fuzz";
  int counted_nodes = -11, counted_elements = -22;
  const int counted = TH10G15::GID_mesh_count(name, counted_nodes, counted_elements);
  FUZZ_CHECK(counted == 0 || (counted <= -3 && counted >= -8));

  // On failure the reader may have stored records before the error.
  static std::unique_ptr<FEM::NODE[]> node_buffer(new FEM::NODE[kMaxNodes + 2]);
  static std::unique_ptr<TH10G15::ELEMENT[]> element_buffer(new TH10G15::ELEMENT[kMaxElements + 2]);
  const bool ok = counted == 0;
  FUZZ_CHECK(size <= kMaxLen);
  Guarded<FEM::NODE> nodes(ok ? static_cast<std::size_t>(counted_nodes) : size / 4 + 1,
                           ok ? nullptr : node_buffer.get());
  Guarded<TH10G15::ELEMENT> elements(ok ? static_cast<std::size_t>(counted_elements) : size / 16 + 1,
                                     ok ? nullptr : element_buffer.get());
  int nNodes = -11, nElements = -22;
  const int code = TH10G15::GID_mesh(name, nodes.array(), nNodes, elements.array(), nElements);
  FUZZ_CHECK(code == counted);
  FUZZ_CHECK(nodes.intact());
  FUZZ_CHECK(elements.intact());
  if (ok) {
    FUZZ_CHECK(nNodes == counted_nodes && nElements == counted_elements);
    for (int e = 0; e < nElements; ++e)
      for (int k = 0; k < 10; ++k) {
        const int id = elements.array()[e].Node_ID[k];
        FUZZ_CHECK(id >= 0 && id < nNodes);
      }
  } else {
    FUZZ_CHECK(counted_nodes == -11 && counted_elements == -22);
    FUZZ_CHECK(nNodes == -11 && nElements == -22);
  }
  return 0;
}
