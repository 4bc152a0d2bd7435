// th10fem: class TH10G15, the 10-node tetrahedron integrated at 15 Gauss points.
//
// Local node order: corners 0..3 at (L1, L2, L3) = (0,1,0), (0,0,1), (0,0,0),
// (1,0,0), then mid-edge nodes 4 (0-1), 5 (1-2), 6 (0-2), 7 (3-0), 8 (3-1),
// 9 (3-2). Local degree of freedom 3k + d is direction d (0 = x, 1 = y, 2 = z)
// of local node k. Global vectors are node-major: node i owns 3i, 3i+1, 3i+2.
#ifndef TH10FEM_TH10G15_H
#define TH10FEM_TH10G15_H

#include "FEM.h"

namespace FiniteElementMethod {

class TH10FEM_API TH10G15 {
 public:
  static const int nG = 15;  // Gauss points per element
  static const int nN = 10;  // nodes per element

  // Everything known at one integration point (397 doubles). Binary layout
  // shared with host programs: do not reorder.
  struct GAUSSPOINT {
    double L[3];      // volume coordinates L1, L2, L3 (L4 = 1 - L1 - L2 - L3)
    double w;         // weight; the 15 weights sum to 1/6
    double N[10];     // shape functions, local node order
    double dNdL[30];  // 3 x 10: row r = d/dL(r+1), column k = local node k
    double E;         // Young's modulus
    double nu;        // Poisson's ratio
    double G;         // shear modulus (reported only)
    double Phi;       // mobilised friction angle, degrees
    double Psi;       // dilatancy angle, degrees
    double c;         // cohesion, stress units
    double spare1[2];
    double Jac;         // Jacobian determinant
    double Dep[36];     // 6 x 6 elasto-plastic matrix
    double Dp[36];      // 6 x 6 plastic part: Dep = De - Dp
    double De[36];      // 6 x 6 elastic matrix
    double B[180];      // 6 x 30 strain-displacement matrix
    double stress0[6];  // initial stress, subtracted in the internal forces
    double stress[6];   // committed stress
    double dstress[6];  // stress increment of the open step
    double spare2[6];
    double strain[6];   // committed strain
    double dstrain[6];  // strain increment of the open step
    double spare3[6];
    double spare4[3];
    double spare5[3];
    double spare6;
    double sig_m;   // mean stress (filled by the host for the text dump)
    double ds_bar;  // deviatoric invariant (host)
    double Lode;    // Lode angle, radians (host)
    double F;       // yield value at the committed stress; F < 0 is elastic
    double spare7[3];
  };

  // One 10-node tetrahedron with its Gauss points.
  struct ELEMENT {
    GAUSSPOINT GP[15];
    int Node_ID[10];    // 0-based global node index of each local node
    int DoF[30];        // global equation index of local dof 3k + d
    double Coords[30];  // 10 x 3: row k = x, y, z of local node k
  };

  // Gauss points, shape functions, Jacobians and B matrices.
  static void CreateGaussPoints(GAUSSPOINT* GP);
  static void make_GP_J_B(ELEMENT* elem, int nE);

  // Element stiffness: one element (30 x 30, row-major) or the dense global matrix.
  static void make_ke(ELEMENT* elem, double* ke, int tangent);
  static void make_K(ELEMENT* elem, int nE, int nNodes, double* K, int tangent);

  // Stress integration over the open increment.
  static void dU_Eps_Sig_RK4(ELEMENT* elem, int nE, double* dU, int nNodes);
  static void dU_Eps_Sig_RK4(ELEMENT* elem, int nE, double* dU, int nNodes, int mode, double Phi_min,
                             int assoc, double Psi);
  static void dU_Eps_Sig_RK4(ELEMENT* elem, int nE, double* dU, int nNodes, double* Fint_p_glob);

  // Exact (implicit) stress return over the open increment, with the
  // consistent tangent. At every Gauss point, in array order:
  //  * dstrain += B du, as dU_Eps_Sig_RK4 adds it (dU read at the DoF
  //    lists; nNodes is not needed);
  //  * trial = stress + De dstrain, from the committed stress and the whole
  //    dstrain, so that repeated calls within an increment follow Newton's
  //    method; De is the point's isotropic elastic matrix (lambda and G taken
  //    from its entries);
  //  * admissible set: the Mohr-Coulomb surface with the friction angle Phi
  //    (degrees; the argument, not the point's Phi; 0 is Tresca) and the
  //    point's cohesion c, cut off at sigma_t: no principal stress above
  //    sigma_t (HUGE_VAL for none; a value at or above the apex c cot(Phi)
  //    has no effect). Tension is positive. Plastic flow follows the
  //    potential of the same form with the dilatancy angle Psi (Phi when
  //    assoc = 1) on the Mohr-Coulomb planes and the normal of the cut-off on
  //    it. Psi <= Phi is the caller's responsibility: nothing is checked;
  //  * F = the trial's yield value, the larger of the Mohr-Coulomb value
  //    (sigma1 - sigma3)/2 + (sigma1 + sigma3)/2 sin(Phi) - c cos(Phi) (as
  //    FEM::MC_SG_F) and sigma1 - sigma_t;
  //  * F <= 0 (admissible trial): dstress = De dstrain, Dep = De, Dp = 0;
  //  * F > 0: the backward-Euler return in principal stresses, in closed form,
  //    to a plane, an edge, the apex or a vertex of the cut-off, chosen by
  //    where the trial lies; dstress = returned - stress; Dep = the consistent
  //    tangent d(stress + dstress)/d(dstrain), including the turning of the
  //    principal axes; Dp = De - Dep. make_K and make_ke with the tangent
  //    switch use this Dep where F >= 0. Trials beyond the apex return to
  //    it with a zero tangent, also where with Psi = 0 (no volumetric
  //    plastic strain) no flow of the potential reaches it (the usual choice).
  // Nothing else of a point changes; the commit stays update_Strain_Stress,
  // then update_Phi_F_D.
  static void dU_Eps_Sig_Return(ELEMENT* elem, int nE, double* dU, int nNodes, double Phi, int assoc,
                                double Psi, double sigma_t);

  // Internal forces of stress - stress0 + dstress.
  static void make_Fint(ELEMENT* elem, int nE, int nNodes, double* Fint_glob);

  // Material state: re-evaluation at the committed stress, and commit.
  static void update_Phi_F_D(ELEMENT* elem, int nE, double Phi_min, int assoc, double Psi);
  static void update_Strain_Stress(ELEMENT* elem, int nE);

  // GiD ASCII mesh input.
  static int CA(int k);
  static int GID_mesh(char* name, FEM::NODE* nodes, int& nNodes, ELEMENT* elements, int& nElements);
  static int GID_mesh_count(char* name, int& nNodes, int& nElements);

  // GiD post-processing output and the text dump.
  static int save_GID(char* name, FEM::NODE* nodes, int nNodes, ELEMENT* elements, int nE);
  static int update_GID(char* name, ELEMENT* elements, int nE, int nNodes, double* U, double* Fnodal,
                        int step);
  static void SaveTXT(ELEMENT* elem, int nE);
};

}  // namespace FiniteElementMethod

#endif
