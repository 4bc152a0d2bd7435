// The shortest complete host of the th10fem library: a unit cube of six
// 10-node tetrahedra in uniaxial compression, one elastic and one plastic
// load increment, each iterated to equilibrium and committed.
//
// A host owns every array and solves the global equations itself; the
// library fills the element records and the global matrices and vectors.
// Read it top to bottom: each step says what it does and why.
//
// What to expect (printed at the end): the elastic increment gives the
// axial stress E * strain exactly; the plastic one ends on the
// Mohr-Coulomb uniaxial strength 2 c cos(phi) / (1 - sin(phi)) = 34.64 (to
// the tolerance of the equilibrium iteration).
#include <lapacke.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "TH10G15.h"

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;

namespace {

// The material: Young's modulus, Poisson's ratio, cohesion, friction and
// dilatancy angles (degrees).
const double E = 1.0e5, nu = 0.3, c = 10.0, phi = 30.0, psi = 0.0;

// Nodes of the cube lie on the 3 x 3 x 3 lattice of corners and mid-points:
// node i + 3 j + 9 k sits at (i, j, k) / 2.
int lattice_node(const int* ijk) {
  return ijk[0] + 3 * ijk[1] + 9 * ijk[2];
}

// The six tetrahedra around the cube's diagonal, by cube corner x + 2y + 4z.
const int kTets[6][4] = {{0, 1, 3, 7}, {0, 1, 5, 7}, {0, 2, 3, 7}, {0, 2, 6, 7}, {0, 4, 5, 7}, {0, 4, 6, 7}};

// Fills one element's connectivity in the library's local order: corners
// 0..3, then the mid-edge nodes of the edges 0-1, 1-2, 0-2, 3-0, 3-1, 3-2.
// The corners must make (x3 - x2, x0 - x2, x1 - x2) right-handed, or the
// Jacobian comes out negative.
void fill_element(const int* cube_corners, const std::vector<FEM::NODE>& nodes, TH10G15::ELEMENT& el) {
  int corner[4][3];
  for (int q = 0; q < 4; ++q)
    for (int d = 0; d < 3; ++d) corner[q][d] = 2 * ((cube_corners[q] >> d) & 1);
  // Local corners 2, 3, 0, 1 take the tetrahedron's corners in turn.
  const int order[4] = {2, 3, 0, 1};
  int local[4][3];
  for (int q = 0; q < 4; ++q)
    for (int d = 0; d < 3; ++d) local[order[q]][d] = corner[q][d];
  double a[3], b[3], e[3];
  for (int d = 0; d < 3; ++d) {
    a[d] = local[3][d] - local[2][d];
    b[d] = local[0][d] - local[2][d];
    e[d] = local[1][d] - local[2][d];
  }
  const double det = a[0] * (b[1] * e[2] - b[2] * e[1]) - a[1] * (b[0] * e[2] - b[2] * e[0]) +
                     a[2] * (b[0] * e[1] - b[1] * e[0]);
  if (det < 0)
    for (int d = 0; d < 3; ++d) std::swap(local[0][d], local[1][d]);
  const int edges[6][2] = {{0, 1}, {1, 2}, {0, 2}, {3, 0}, {3, 1}, {3, 2}};
  for (int k = 0; k < 4; ++k) el.Node_ID[k] = lattice_node(local[k]);
  for (int k = 0; k < 6; ++k) {
    int mid[3];
    for (int d = 0; d < 3; ++d) mid[d] = (local[edges[k][0]][d] + local[edges[k][1]][d]) / 2;
    el.Node_ID[4 + k] = lattice_node(mid);
  }
  // Global degree of freedom 3 n + d is direction d of node n; Coords holds
  // the element's node coordinates.
  for (int k = 0; k < 10; ++k) {
    const FEM::NODE& n = nodes[el.Node_ID[k]];
    const double xyz[3] = {n.x, n.y, n.z};
    for (int d = 0; d < 3; ++d) {
      el.DoF[3 * k + d] = 3 * el.Node_ID[k] + d;
      el.Coords[3 * k + d] = xyz[d];
    }
  }
}

}  // namespace

int main() {
  // 1. Mesh: 27 nodes and 6 elements, in arrays the host owns. (A host may
  //    read a GiD mesh with TH10G15::GID_mesh instead.)
  const int nNodes = 27, nE = 6, n = 3 * nNodes;
  std::vector<FEM::NODE> nodes(nNodes);
  for (int k = 0; k < 3; ++k)
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 3; ++i) {
        FEM::NODE& node = nodes[i + 3 * j + 9 * k];
        node.x = 0.5 * i;
        node.y = 0.5 * j;
        node.z = 0.5 * k;
      }
  std::vector<TH10G15::ELEMENT> elems(nE);
  for (int e = 0; e < nE; ++e) fill_element(kTets[e], nodes, elems[e]);

  // 2. Geometry: Gauss points, Jacobians and strain-displacement matrices.
  TH10G15::make_GP_J_B(elems.data(), nE);

  // 3. Material: constants and the initial stress (none) at every Gauss
  //    point, then the material state (friction angle, yield value, De, Dep).
  for (TH10G15::ELEMENT& el : elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      g.E = E;
      g.nu = nu;
      g.G = E / (2 * (1 + nu));
      g.c = c;
    }
  TH10G15::update_Phi_F_D(elems.data(), nE, phi, 0, psi);

  // 4. Supports: symmetry planes x = 0, y = 0 and the base z = 0 hold their
  //    normal displacement; the top z = 1 is pushed down. Everything else
  //    is free.
  std::vector<char> held(n, 0), pushed(n, 0);
  for (int i = 0; i < nNodes; ++i) {
    held[3 * i] = nodes[i].x == 0.0;
    held[3 * i + 1] = nodes[i].y == 0.0;
    held[3 * i + 2] = nodes[i].z == 0.0;
    pushed[3 * i + 2] = nodes[i].z == 1.0;
  }

  // 5. Two increments of the top displacement: to 2e-4 (elastic: stress 20)
  //    and on to 6e-4 (beyond the strength, reached at 3.46e-4).
  std::vector<double> U(n, 0.0), K(static_cast<size_t>(n) * n), Fint(n), du(n);
  std::vector<lapack_int> ipiv(n);
  const double top[2] = {-2e-4, -6e-4};
  double sigma_z[2] = {0, 0};
  for (int inc = 0; inc < 2; ++inc) {
    // The iteration: the first solution moves the top by the whole
    // increment, the later ones remove the out-of-balance force. It solves
    // with the elastic matrix every time (the initial-stiffness method):
    // slower than Newton's method on the library's tangent, but it never
    // meets the singular tangent of a homogeneous body on an edge of the
    // yield surface, as this cube is in uniaxial compression.
    double step = top[inc] - (inc == 0 ? 0.0 : top[inc - 1]);
    bool converged = false;
    for (int it = 0; it < 100 && !converged; ++it) {
      // The stiffness: the elastic matrix, assembled into the dense global one.
      TH10G15::make_K(elems.data(), nE, nNodes, K.data(), 0);
      // Right side: minus the internal forces (no external loads), then the
      // constraints, row and column by row and column: a held dof moves by 0,
      // a pushed one by `step`.
      TH10G15::make_Fint(elems.data(), nE, nNodes, Fint.data());
      for (int i = 0; i < n; ++i) du[i] = -Fint[i];
      for (int j = 0; j < n; ++j) {
        if (!held[j] && !pushed[j]) continue;
        const double value = pushed[j] ? step : 0.0;
        for (int i = 0; i < n; ++i) {
          du[i] -= K[static_cast<size_t>(i) * n + j] * value;
          K[static_cast<size_t>(i) * n + j] = K[static_cast<size_t>(j) * n + i] = 0.0;
        }
        K[static_cast<size_t>(j) * n + j] = 1.0;
      }
      for (int j = 0; j < n; ++j)
        if (held[j] || pushed[j]) du[j] = pushed[j] ? step : 0.0;
      // The host solves the equations (LAPACK, row-major).
      if (LAPACKE_dgesv(LAPACK_ROW_MAJOR, n, 1, K.data(), n, ipiv.data(), du.data(), 1) != 0) return 1;
      step = 0.0;
      for (int i = 0; i < n; ++i) U[i] += du[i];
      // Stress update: the strain of du is added to the open increment and
      // the stress returned exactly onto the Mohr-Coulomb surface from the
      // committed state (no tension cut-off: HUGE_VAL).
      TH10G15::dU_Eps_Sig_Return(elems.data(), nE, du.data(), nNodes, phi, 0, psi, HUGE_VAL);
      // Equilibrium: the internal forces of the free dofs must vanish.
      TH10G15::make_Fint(elems.data(), nE, nNodes, Fint.data());
      double free2 = 0.0, all2 = 0.0;
      for (int i = 0; i < n; ++i) {
        all2 += Fint[i] * Fint[i];
        if (!held[i] && !pushed[i]) free2 += Fint[i] * Fint[i];
      }
      converged = std::sqrt(free2) <= 1e-9 * std::sqrt(all2);
    }
    if (!converged) return 1;
    // 6. Commit: the increments join the committed strain and stress, and the
    //    material state is re-evaluated there.
    TH10G15::update_Strain_Stress(elems.data(), nE);
    TH10G15::update_Phi_F_D(elems.data(), nE, phi, 0, psi);
    sigma_z[inc] = -elems[0].GP[0].stress[2];
  }

  // 7. Results: the node records take the displacements and forces.
  FEM::Update_Nodes(nodes.data(), nNodes, U.data(), Fint.data());
  const double rad = phi * std::acos(-1.0) / 180.0;
  const double strength = 2 * c * std::cos(rad) / (1 - std::sin(rad));
  std::printf("elastic increment: axial stress %.6f (E x strain = %.6f)\n", sigma_z[0], E * 2e-4);
  std::printf("plastic increment: axial stress %.4f, uniaxial strength %.4f\n", sigma_z[1], strength);
  const bool elastic_ok = std::fabs(sigma_z[0] - E * 2e-4) < 1e-9 * E * 2e-4;
  const bool plastic_ok = std::fabs(sigma_z[1] - strength) < 1e-6 * strength;
  return elastic_ok && plastic_ok ? 0 : 1;
}
