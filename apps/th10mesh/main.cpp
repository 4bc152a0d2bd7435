// th10mesh: writes a structured box of straight-sided 10-node tetrahedra as a
// GiD ASCII mesh file.
//
//   th10mesh [-g GX GY GZ] NX NY NZ LX LY LZ FILE
//
// NX x NY x NZ cells (six tetrahedra each) filling [0, LX] x [0, LY] x [0, LZ];
// with -g the cells of each axis grow geometrically, the last one G times as
// long as the first. FILE is the whole file name: TH10G15::GID_mesh reads
// name + "_ascii.msh".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gid_ascii.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: th10mesh [-g GX GY GZ] NX NY NZ LX LY LZ FILE\n"
               "  NX NY NZ   cells per axis (at least 1)\n"
               "  LX LY LZ   extents of the box (positive)\n"
               "  -g         per-axis ratio of the last to the first cell size (positive)\n"
               "  FILE       GiD ASCII mesh file to write, e.g. box_ascii.msh\n");
  return 2;
}

bool parse_count(const char* s, int& n) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (*s == '\0' || *end != '\0' || v < 1 || v > 1000) return false;
  n = static_cast<int>(v);
  return true;
}

bool parse_positive(const char* s, double& x) {
  char* end = nullptr;
  x = std::strtod(s, &end);
  return *s != '\0' && *end == '\0' && x > 0.0 && x < 1e300;
}

}  // namespace

int main(int argc, char** argv) {
  int a = 1;
  double grade[3] = {1.0, 1.0, 1.0};
  if (a < argc && std::strcmp(argv[a], "-g") == 0) {
    if (argc < a + 4) return usage();
    for (int d = 0; d < 3; ++d)
      if (!parse_positive(argv[a + 1 + d], grade[d])) return usage();
    a += 4;
  }
  if (argc != a + 7) return usage();
  int n[3];
  double length[3];
  for (int d = 0; d < 3; ++d)
    if (!parse_count(argv[a + d], n[d]) || !parse_positive(argv[a + 3 + d], length[d])) return usage();
  const char* path = argv[a + 6];

  const boxmesh::BoxMesh m = boxmesh::make_box(boxmesh::graded(0.0, length[0], n[0], grade[0]),
                                               boxmesh::graded(0.0, length[1], n[1], grade[1]),
                                               boxmesh::graded(0.0, length[2], n[2], grade[2]));
  if (!th10mesh::write_gid_ascii_file(m, path)) {
    std::fprintf(stderr, "th10mesh: cannot write %s\n", path);
    return 1;
  }
  std::printf("th10mesh: %d nodes, %d elements written to %s\n", m.nNodes(), m.nElements(), path);
  return 0;
}
