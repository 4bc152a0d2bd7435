// GiD post-processing files: the mesh (name + ".post.msh") and the results
// (name + ".post.res"), with the results at the four Gauss points nearest the
// corners, in the order of the GiD corners 1 to 4.
#include <cstdio>

#include "TH10G15.h"
#include "file_io.h"

namespace FiniteElementMethod {
namespace {

// Gauss points 5, 8, 7, 6 lie nearest local nodes 2, 3, 0, 1: GiD corners 1 to 4.
const int kGiDGaussPoints[4] = {5, 8, 7, 6};

void write_post_mesh(std::FILE* fid, const FEM::NODE* nodes, int nNodes, const TH10G15::ELEMENT* elements,
                     int nE) {
  std::fputs("MESH \"sample\" dimension 3 ElemType Tetrahedra Nnode 10\n", fid);
  std::fputs("Coordinates\n", fid);
  for (int i = 0; i < nNodes; ++i)
    std::fprintf(fid, "%4d %15E %15E %15E\n", i + 1, nodes[i].x, nodes[i].y, nodes[i].z);
  std::fputs("end coordinates\n", fid);
  std::fputs("Elements\n", fid);
  for (int e = 0; e < nE; ++e) {
    std::fprintf(fid, "%4d ", e + 1);
    for (int k = 0; k < 10; ++k) std::fprintf(fid, "%5d ", elements[e].Node_ID[TH10G15::CA(k)] + 1);
    std::fputs("   0\n", fid);
  }
  std::fputs("end elements\n", fid);
}

void write_result_header(std::FILE* fid) {
  std::fputs("GiD Post Results File 1.0\n\n", fid);
  std::fputs("GaussPoints \"gauss\" Elemtype Tetrahedra \"sample\"\n", fid);
  std::fputs("Number of Gauss Points: 4\n", fid);
  std::fputs("Natural Coordinates: Internal\n", fid);
  std::fputs("End GaussPoints\n", fid);
}

// A vector per node: entries 3i, 3i + 1, 3i + 2 of the global vector v.
void write_node_block(std::FILE* fid, const char* head, const char* components, int step, int nNodes,
                      const double* v) {
  std::fprintf(fid, head, step);
  std::fputs(components, fid);
  std::fputs("Values\n", fid);
  for (int i = 0; i < nNodes; ++i)
    std::fprintf(fid, "%4d %15E %15E %15E\n", i + 1, v[3 * i], v[3 * i + 1], v[3 * i + 2]);
  std::fputs("End Values\n", fid);
}

// Six components (x, y, z, xy, yz, zx) of a Gauss-point vector.
void write_value(std::FILE* fid, const char* indent, const double (&s)[6]) {
  std::fprintf(fid, "%s%15E %15E %15E %15E %15E %15E\n", indent, s[0], s[1], s[2], s[3], s[4], s[5]);
}

// A Gauss-point scalar.
void write_value(std::FILE* fid, const char* indent, double s) {
  std::fprintf(fid, "%s%15E\n", indent, s);
}

// A result block of one field of the Gauss points (a member pointer to a
// vector such as strain or a scalar such as G) at the four reported points of
// each element: the element number, then the values of points 5, 8, 7, 6, the
// first on the element's line and the others indented on lines of their own.
template <class Field>
void write_gauss_block(std::FILE* fid, const char* head, const char* components, int step,
                       const TH10G15::ELEMENT* elements, int nE, Field field) {
  std::fprintf(fid, head, step);
  std::fputs(components, fid);
  std::fputs("Values\n", fid);
  for (int e = 0; e < nE; ++e) {
    std::fprintf(fid, "%4d ", e + 1);
    for (int q = 0; q < 4; ++q)
      write_value(fid, q == 0 ? "" : "     ", elements[e].GP[kGiDGaussPoints[q]].*field);
  }
  std::fputs("End Values\n", fid);
}

}  // namespace

int TH10G15::save_GID(char* name, FEM::NODE* nodes, int nNodes, ELEMENT* elements, int nE) {
  const auto write_mesh = [&](std::FILE* fid) { write_post_mesh(fid, nodes, nNodes, elements, nE); };
  if (!detail::write_named_file(name, ".post.msh", "w", "--- ERROR! Cannot create post_msh GID file (%s)!\n",
                                write_mesh))
    return -1;
  if (!detail::write_named_file(name, ".post.res", "w", "--- ERROR! Cannot create post_res GID file (%s)!\n",
                                write_result_header))
    return -2;
  return 0;
}

// The six blocks of a step appended to the result file.
int TH10G15::update_GID(char* name, ELEMENT* elements, int nE, int nNodes, double* U, double* Fnodal,
                        int step) {
  const auto write_step = [&](std::FILE* fid) {
    write_node_block(fid, "Result \"TS analysis\" \"Deformation\" %d Vector OnNodes \n",
                     "ComponentNames \"ux\", \"uy\", \"uz\"\n", step, nNodes, U);
    write_node_block(fid, "Result \"TS analysis\" \"Nodal forces\" %d Vector OnNodes \n",
                     "ComponentNames \"fx\", \"fy\", \"fz\"\n", step, nNodes, Fnodal);
    write_gauss_block(fid, "Result \"TS analysis\" \"Strains\" %d Matrix OnGaussPoints \"gauss\"\n",
                      "ComponentNames \"eps_x\", \"eps_y\", \"eps_z\", \"gam_xy\", \"gam_yz\", \"gam_zx\"\n",
                      step, elements, nE, &TH10G15::GAUSSPOINT::strain);
    write_gauss_block(fid, "Result \"TS analysis\" \"Stresses\" %d Matrix OnGaussPoints \"gauss\"\n",
                      "ComponentNames \"sig_x\", \"sig_y\", \"sig_z\", \"tau_xy\", \"tau_yz\", \"tau_zx\"\n",
                      step, elements, nE, &TH10G15::GAUSSPOINT::stress);
    write_gauss_block(fid, "Result \"TS analysis\" \"Kirchhoff modulus\" %d Scalar OnGaussPoints \"gauss\"\n",
                      "ComponentNames \"G\"\n", step, elements, nE, &TH10G15::GAUSSPOINT::G);
    write_gauss_block(fid, "Result \"TS analysis\" \"Phi angle\" %d Scalar OnGaussPoints \"gauss\"\n",
                      "ComponentNames \"Phi\"\n", step, elements, nE, &TH10G15::GAUSSPOINT::Phi);
  };
  if (!detail::write_named_file(name, ".post.res", "a", "--- ERROR! Cannot open post_res GID file (%s)!\n",
                                write_step))
    return -1;
  return 0;
}

}  // namespace FiniteElementMethod
