// Exact Mohr-Coulomb return with tension cut-off: principal stresses, tangent against finite
// differences, optimality conditions found by search (not by the closed form), element routine.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "FEM.h"
#include "mohr_coulomb_return.h"
#include "test_support.h"

using namespace th10test;
namespace detail = FiniteElementMethod::detail;

namespace {

const double kC = 5.0;  // cohesion of every case
const double kNone = HUGE_VAL;
const double kDeg = std::acos(-1.0) / 180.0;
const double kAxes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

// The elastic matrix of every case (E = 1000, nu = 0.25: lambda = G = 400), and its inverse.
struct Elastic {
  double De[36];
  Elastic() { lame_De(1000.0, 0.25, De); }
  void strain_of(const double* s, double* e) const {
    const double tr = s[0] + s[1] + s[2], G = 400.0, v = -400.0 / (2 * G * (3 * 400.0 + 2 * G)) * tr;
    for (int i = 0; i < 3; ++i) e[i] = s[i] / (2 * G) + v;
    for (int i = 3; i < 6; ++i) e[i] = s[i] / G;
  }
};

// A committed stress off the trial's axes: the point routine sees a general state.
const double kStress[6] = {-3.0, 2.0, -1.0, 0.5, -0.2, 0.1};

struct Point {
  double Phi, Psi, sigma_t;
  double dstrain[6];
  double dstress[6], Dep[36], Dp[36], F;

  Point(const Elastic& el, const double* trial, double Phi_, double Psi_, double st)
      : Phi(Phi_), Psi(Psi_), sigma_t(st) {
    double d[6];
    for (int i = 0; i < 6; ++i) d[i] = trial[i] - kStress[i];
    el.strain_of(d, dstrain);
    F = run(el, dstrain, dstress, Dep, Dp);
  }
  double run(const Elastic& el, const double* e, double* ds, double* D, double* P) const {
    return detail::MC_Return(detail::flow_angles(Phi, Psi), kC, sigma_t, el.De, kStress, e, ds, D, P);
  }
};

detail::ReturnRegion region_of(const double* trial, double Phi, double Psi, double st) {
  detail::PrincipalStresses p;
  detail::principal_stresses(trial, p);
  const detail::FlowAngles a = detail::flow_angles(Phi, Psi);
  if (!(detail::yield_value(p.value, a, kC, st) > 0.0)) return detail::kElasticRegion;
  detail::PrincipalReturn r;
  detail::principal_return(p.value, detail::return_model(a, kC, st, 400.0, 400.0), r);
  return r.region;
}

// n^T S q for the stress S (6 components).
double along(const double* S, const double* n, const double* q) {
  return n[0] * (S[0] * q[0] + S[3] * q[1] + S[5] * q[2]) + n[1] * (S[3] * q[0] + S[1] * q[1] + S[4] * q[2]) +
         n[2] * (S[5] * q[0] + S[4] * q[1] + S[2] * q[2]);
}

}  // namespace

TEST(StressReturn, PrincipalStressesOfEqualAndNearlyEqualValues) {
  // clang-format off
  const double cases[][3] = {
      {30, -5, -40}, {7, 7, -20}, {7, -20, -20}, {-3, -3, -3},
      {0, 0, 0}, {7, 7 - 1e-9, -20}, {7, -20, -20 - 1e-11}, {-100 + 1e-6, -100, -100 - 1e-6},
      {1e-12, 0, -1e-12}, {5e3 + 1e-10, 5e3, 5e3 - 2e-10},
  };
  // clang-format on
  std::mt19937 rng(5);
  for (const auto& p : cases)
    for (int rep = 0; rep < 20; ++rep) {
      double s[6];
      rotated_stress(rng, p, s);
      detail::PrincipalStresses ps;
      detail::principal_stresses(s, ps);
      // The values, N N^T = I and N diag(values) N^T = T for the directions N.
      const double scale = std::max(1.0, std::fabs(p[0]) + std::fabs(p[2]));
      for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(ps.value[i], p[i], 1e-13 * scale);
        for (int j = 0; j < 3; ++j) {
          double identity = 0.0, tensor = 0.0;
          for (const int a : {0, 1, 2}) {
            identity += ps.dir[a][i] * ps.dir[a][j];
            tensor += ps.value[a] * ps.dir[a][i] * ps.dir[a][j];
          }
          EXPECT_NEAR(identity, i == j ? 1.0 : 0.0, 1e-14);
          EXPECT_NEAR(tensor, along(s, kAxes[i], kAxes[j]), 1e-13 * scale);
        }
      }
    }
}

// Principal trial stresses of every region, each at least 0.5 inside it,
// with exactly and nearly equal pairs; the trial is turned to random axes.
struct RegionCase {
  double p[3];
  double Phi, Psi, sigma_t;
  detail::ReturnRegion region;
};
using detail::kElasticRegion, detail::kYieldPlane, detail::kCutoffPlane, detail::kEdgeHigh, detail::kEdgeLow,
    detail::kEdgeCutoff, detail::kCutoffEdge, detail::kCornerHigh, detail::kCornerLow, detail::kCutoffCorner,
    detail::kApex;

// clang-format off
const RegionCase kRegionCases[] = {
    {{-20, -33, -37}, 0, 0, kNone, kYieldPlane}, {{39, 22, -37}, 0, 0, kNone, kEdgeHigh},
    {{34, 14, 9}, 0, 0, kNone, kEdgeLow}, {{5, -20, -29}, 20, 20, kNone, kYieldPlane},
    {{23, 6, -32}, 20, 20, kNone, kEdgeHigh}, {{13, -2, -4}, 20, 20, kNone, kEdgeLow},
    {{25, 19, 17}, 20, 20, kNone, kApex}, {{33, -17, -39}, 40, 10, kNone, kYieldPlane},
    {{25, 24, -17}, 40, 10, kNone, kEdgeHigh}, {{38, -26, -27}, 40, 10, kNone, kEdgeLow},
    {{39, 35, 23}, 40, 10, kNone, kApex}, {{4, 2, -6}, 0, 0, 3, kCutoffPlane},
    {{34, 7, -9}, 0, 0, 3, kEdgeCutoff}, {{32, 19, 5}, 0, 0, 3, kCutoffEdge},
    {{40, 33, -27}, 0, 0, 3, kCornerHigh}, {{30, -9, -19}, 0, 0, 3, kCornerLow},
    {{15, 10, 9}, 0, 0, 3, kCutoffCorner}, {{-1, -26, -36}, 20, 20, 2, kYieldPlane},
    {{21, 7, 2}, 20, 20, 2, kCutoffPlane}, {{37, 12, -35}, 20, 20, 2, kEdgeHigh},
    {{14, -29, -32}, 20, 20, 2, kEdgeLow}, {{28, -2, -11}, 20, 20, 2, kEdgeCutoff},
    {{28, 19, 9}, 20, 20, 2, kCutoffEdge}, {{18, 9, -8}, 20, 20, 2, kCornerHigh},
    {{32, -3, -4}, 20, 20, 2, kCornerLow}, {{38, 30, 19}, 20, 20, 2, kCutoffCorner},
    {{7, 1, -8}, 40, 10, 2, kCutoffPlane}, {{33, 7, -11}, 40, 10, 2, kEdgeCutoff},
    {{9, 8, -8}, 40, 10, 2, kCutoffEdge}, {{28, 21, -4}, 40, 10, 2, kCornerHigh},
    {{28, -7, -13}, 40, 10, 2, kCornerLow}, {{17, 14, 12}, 40, 10, 2, kCutoffCorner},
    // Equal and nearly equal pairs: relative gaps 1e-7 and 1e-10, on either side of the switch to the
    // limit of the spin ratio, and 1e-14, where the ratio itself would carry large rounding errors.
    {{-10, -10, -12}, 30, 10, kNone, kElasticRegion}, {{-10, -10.000001, -12}, 30, 10, kNone, kElasticRegion},
    {{24, 24, -17}, 40, 10, kNone, kEdgeHigh}, {{24.0000024, 24, -17}, 40, 10, kNone, kEdgeHigh},
    {{24.0000000024, 24, -17}, 40, 10, kNone, kEdgeHigh}, {{38, -26, -26}, 40, 10, kNone, kEdgeLow},
    {{38, -26, -26.0000000026}, 40, 10, kNone, kEdgeLow}, {{21, 4, 4}, 20, 20, 2, kCutoffPlane},
    {{21, 4.0000004, 4}, 20, 20, 2, kCutoffPlane}, {{21, 4.0000000004, 4}, 20, 20, 2, kCutoffPlane},
    {{28, 28, 9}, 20, 20, 2, kCutoffEdge}, {{25, 25, 25}, 20, 20, kNone, kApex},
    {{60.0000000000006, 60, 58}, 20, 20, kNone, kApex},
    {{25, 25.0000000025, 24.9999999975}, 20, 20, kNone, kApex},
};
// clang-format on

TEST(StressReturn, TangentIsTheDerivativeOfTheReturnInEveryRegion) {
  const Elastic el;
  std::mt19937 rng(11);
  for (const RegionCase& rc : kRegionCases) {
    double trial[6];
    rotated_stress(rng, rc.p, trial);
    ASSERT_EQ(region_of(trial, rc.Phi, rc.Psi, rc.sigma_t), rc.region) << rc.p[0] << " " << rc.p[1];
    const Point pt(el, trial, rc.Phi, rc.Psi, rc.sigma_t);
    const double h = 5e-8;
    double worst = 0.0;
    for (int j = 0; j < 6; ++j) {
      double ep[6], em[6], sp[6], sm[6], D[36], P[36];
      for (int i = 0; i < 6; ++i)
        ep[i] = pt.dstrain[i] + (i == j ? h : 0.0), em[i] = 2 * pt.dstrain[i] - ep[i];
      pt.run(el, ep, sp, D, P);
      pt.run(el, em, sm, D, P);
      for (int i = 0; i < 6; ++i)
        worst = std::max(worst, std::fabs((sp[i] - sm[i]) / (2 * h) - pt.Dep[6 * i + j]));
    }
    EXPECT_LT(worst, 1e-6 * max_abs(el.De, 36)) << rc.p[0] << " " << rc.p[1] << " " << rc.p[2];
    for (int i = 0; i < 36; ++i) EXPECT_NEAR(pt.Dep[i] + pt.Dp[i], el.De[i], 1e-12 * max_abs(el.De, 36));
    EXPECT_EQ(pt.F > 0.0, rc.region != detail::kElasticRegion);
  }
}

namespace {

// The planes of the admissible set in principal stresses (any order): the
// six Mohr-Coulomb planes k s_i - s_j <= sigma_c with the flow m e_i - e_j,
// the cut-offs s_i <= sigma_t with their own normal.
struct Plane {
  double a[3], h, b[3];
};

std::vector<Plane> planes_of(double Phi, double Psi, double st) {
  const double sp = std::sin(Phi * kDeg), sq = std::sin(Psi * kDeg);
  const double k = (1 + sp) / (1 - sp), m = (1 + sq) / (1 - sq),
               sc = 2 * kC * std::cos(Phi * kDeg) / (1 - sp);
  std::vector<Plane> planes;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (i != j) {
        Plane p{{0, 0, 0}, sc, {0, 0, 0}};
        p.a[i] = k, p.a[j] = -1, p.b[i] = m, p.b[j] = -1;
        planes.push_back(p);
      }
  for (int i = 0; i < 3 && st < kNone; ++i) {
    Plane p{{0, 0, 0}, st, {0, 0, 0}};
    p.a[i] = p.b[i] = 1;
    planes.push_back(p);
  }
  return planes;
}

// Whether e is a non-negative combination of the vectors g, to a relative
// tolerance: non-negative least squares by projected coordinate descent.
bool in_cone(const double* e, const std::vector<std::array<double, 3>>& g, double rel) {
  std::vector<double> mu(g.size(), 0.0);
  double r[3] = {e[0], e[1], e[2]};
  for (int sweep = 0;
       sweep < 5000 && std::hypot(r[0], r[1], r[2]) > 1e-3 * rel * std::hypot(e[0], e[1], e[2]); ++sweep)
    for (std::size_t i = 0; i < g.size(); ++i) {
      const double* u = g[i].data();
      const double step = std::max(
          -mu[i], (u[0] * r[0] + u[1] * r[1] + u[2] * r[2]) / (u[0] * u[0] + u[1] * u[1] + u[2] * u[2]));
      mu[i] += step;
      for (int q = 0; q < 3; ++q) r[q] -= step * u[q];
    }
  return std::hypot(r[0], r[1], r[2]) <= rel * std::hypot(e[0], e[1], e[2]) + 1e-15;
}

}  // namespace

// The returned stress is on the surface (principal values by the linear-algebra eigen-solver), keeps
// the trial's axes, and De^-1 (trial - returned) is a non-negative combination of the flows of the
// planes active there: with associated flow, the conditions of the closest stress in the energy norm.
TEST(StressReturn, ReturnedStressSatisfiesTheConditionsOfTheReturn) {
  const Elastic el;
  const double settings[][3] = {{0, 0, kNone},   {20, 20, kNone}, {20, 10, kNone}, {40, 40, kNone},
                                {40, 10, kNone}, {0, 0, 2},       {20, 20, 2},     {40, 10, 2},
                                {40, 0, -3},     {30, 30, 0},     {30, 0, kNone}};
  std::mt19937 rng(23);
  for (const auto& set : settings) {
    const std::vector<Plane> planes = planes_of(set[0], set[1], set[2]);
    for (int rep = 0; rep < 400; ++rep) {
      const double p[3] = {uniform(rng, -40, 40), uniform(rng, -40, 40), uniform(rng, -40, 40)};
      double trial[6], s[6], values[3];
      rotated_stress(rng, p, trial);
      const Point pt(el, trial, set[0], set[1], set[2]);
      if (!(pt.F > 0.0)) continue;
      for (int i = 0; i < 6; ++i) s[i] = kStress[i] + pt.dstress[i];
      FEM::Principal3D(s, values);
      std::sort(values, values + 3);
      const double F_MC = 0.5 * (values[2] - values[0]) +
                          0.5 * (values[2] + values[0]) * std::sin(set[0] * kDeg) -
                          kC * std::cos(set[0] * kDeg);
      EXPECT_NEAR(std::max(F_MC, values[2] - set[2]), 0.0, 1e-12 * 40);
      // In the trial's principal axes: the returned stress has no shear, its
      // principal values give the active planes, and the plastic principal strains.
      detail::PrincipalStresses ax;
      detail::principal_stresses(trial, ax);
      double d[6], sv[3], dv[3], ep[3];
      for (int i = 0; i < 6; ++i) d[i] = trial[i] - s[i];
      for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(along(s, ax.dir[a], ax.dir[(a + 1) % 3]), 0.0, 1e-12 * 40);
        sv[a] = along(s, ax.dir[a], ax.dir[a]);
        dv[a] = along(d, ax.dir[a], ax.dir[a]);
      }
      for (int a = 0; a < 3; ++a)
        ep[a] = (dv[a] - 400.0 / (3 * 400.0 + 800.0) * (dv[0] + dv[1] + dv[2])) / 800.0;
      std::vector<std::array<double, 3>> flows;
      for (const Plane& pl : planes)
        if (std::fabs(pl.a[0] * sv[0] + pl.a[1] * sv[1] + pl.a[2] * sv[2] - pl.h) < 1e-9 * 40)
          flows.push_back({pl.b[0], pl.b[1], pl.b[2]});
      // With psi = 0 no flow changes volume: beyond the apex it is the fallback.
      const bool apex_fallback = set[1] == 0.0 && flows.size() >= 6;
      EXPECT_TRUE(apex_fallback || in_cone(ep, flows, 1e-8)) << p[0] << " " << p[1] << " " << p[2];
    }
  }
}

// A box of n^3 cells, every point at the committed stress kStress.
Mesh committed_box(int n) {
  Mesh m = box(n, n, n);
  set_elastic_state(m.elems.data(), m.nElements(), 1000.0, 0.25);
  for (TH10G15::ELEMENT& e : m.elems)
    for (TH10G15::GAUSSPOINT& g : e.GP) {
      g.c = kC;
      g.Phi = 0.0;  // the argument's angle applies, not the point's
      for (int i = 0; i < 6; ++i) g.stress[i] = kStress[i];
    }
  return m;
}

TEST(StressReturn, ElementRoutineAddsTheStrainOfTheStagedSchemeAndReturnsEveryPoint) {
  Mesh m = committed_box(1);
  std::mt19937 rng(3);
  const Mesh original = m;
  Mesh staged = m;
  const std::vector<double> dU1 = random_vector(rng, 3 * m.nNodes(), 2e-2),
                            dU2 = random_vector(rng, 3 * m.nNodes(), 1e-4);
  TH10G15::dU_Eps_Sig_Return(m.elems.data(), m.nElements(), const_cast<double*>(dU1.data()), m.nNodes(), 30.0,
                             0, 10.0, 2.0);
  const Mesh after_first = m;
  TH10G15::dU_Eps_Sig_Return(m.elems.data(), m.nElements(), const_cast<double*>(dU2.data()), m.nNodes(), 30.0,
                             1, -7.0, 2.0);
  TH10G15::dU_Eps_Sig_RK4(staged.elems.data(), staged.nElements(), const_cast<double*>(dU1.data()),
                          m.nNodes());
  TH10G15::dU_Eps_Sig_RK4(staged.elems.data(), staged.nElements(), const_cast<double*>(dU2.data()),
                          m.nNodes());
  // Each call returns from the committed stress with the whole dstrain, as
  // the point routine does, with the angles of the arguments.
  const Elastic el;
  int returned = 0, elastic = 0;
  auto expect_point = [&](const TH10G15::GAUSSPOINT& p, double Psi) {
    double ds[6], Dep[36], Dp[36];
    const double F =
        detail::MC_Return(detail::flow_angles(30.0, Psi), kC, 2.0, el.De, kStress, p.dstrain, ds, Dep, Dp);
    EXPECT_TRUE(F == p.F && !std::memcmp(ds, p.dstress, 48) && !std::memcmp(Dep, p.Dep, 288) &&
                !std::memcmp(Dp, p.Dp, 288));
    (F > 0.0 ? returned : elastic) += 1;
  };
  for (int e = 0; e < m.nElements(); ++e)
    for (int g = 0; g < 15; ++g) {
      const TH10G15::GAUSSPOINT &p = m.elems[e].GP[g], &p1 = after_first.elems[e].GP[g];
      EXPECT_EQ(0, std::memcmp(p.dstrain, staged.elems[e].GP[g].dstrain, 48));
      expect_point(p1, 10.0);
      expect_point(p, 30.0);
      // Nothing but dstrain, dstress, Dep, Dp (contiguous) and F changed.
      TH10G15::GAUSSPOINT masked = p1;
      const TH10G15::GAUSSPOINT& before = original.elems[e].GP[g];
      std::memcpy(masked.dstress, before.dstress, 48);
      std::memcpy(masked.dstrain, before.dstrain, 48);
      std::memcpy(masked.Dep, before.Dep, 2 * 288);
      masked.F = before.F;
      EXPECT_EQ(std::memcmp(&masked, &before, sizeof masked), 0);
      if (p.F > 0.0) continue;
      double De_deps[6];
      dense_mv(el.De, 6, 6, p.dstrain, De_deps);
      EXPECT_TRUE(!std::memcmp(De_deps, p.dstress, 48) && !std::memcmp(p.Dep, p.De, 288) &&
                  max_abs(p.Dp, 36) == 0);
    }
  EXPECT_GT(returned, 10);
  EXPECT_GT(elastic, 10);
}

// A mesh large enough for Dep and Dp to be streamed past the caches gets the
// records that each of its elements gets alone.
TEST(StressReturn, LargeMeshesGetTheRecordsOfTheirElementsAlone) {
  Mesh m = committed_box(4);
  std::mt19937 rng(7);
  std::vector<double> dU = random_vector(rng, 3 * m.nNodes(), 2e-2);
  std::vector<TH10G15::ELEMENT> alone = m.elems;
  TH10G15::dU_Eps_Sig_Return(m.elems.data(), m.nElements(), dU.data(), m.nNodes(), 30.0, 0, 10.0, 2.0);
  for (int e = 0; e < m.nElements(); ++e) {
    TH10G15::dU_Eps_Sig_Return(&alone[e], 1, dU.data(), m.nNodes(), 30.0, 0, 10.0, 2.0);
    EXPECT_EQ(0, std::memcmp(&alone[e], &m.elems[e], sizeof(TH10G15::ELEMENT))) << e;
  }
}
