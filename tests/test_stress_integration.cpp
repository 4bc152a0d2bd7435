// Stress integration over the open increment. Most tests run the shared
// integration routine with a scripted material model, so that the yield
// values and the stage matrices are pinned exactly; the last ones run the
// public overloads with the Mohr-Coulomb routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "element_fixtures.h"
#include "element_kernels.h"
#include "explicit_stages.h"

using namespace th10test;
namespace detail = FiniteElementMethod::detail;

namespace {

// A scripted material model: yield values, mobilised angles and stage
// matrices come from queues (the last entry repeats), and every call is
// recorded with its arguments.
struct Script {
  std::vector<double> f;               // results of F, in call order
  std::vector<double> phi;             // results of F_Phi
  std::vector<const double*> Dp, Dep;  // matrices written by Dep (zero when none is given)
  struct Call {
    double sigma[6];
    double a, b, c;  // F: Phi, c; F_Phi: c, Phi_min, Phi_max; Dep: Phi, Psi, c
  };
  std::vector<Call> f_calls, phi_calls, dep_calls;
};

Script* script = nullptr;

template <class T>
T next_of(const std::vector<T>& queue, std::size_t calls) {
  return queue[std::min(calls, queue.size() - 1)];
}

Script::Call record(const double* sigma, double a, double b, double c) {
  Script::Call call{{}, a, b, c};
  std::memcpy(call.sigma, sigma, sizeof(call.sigma));
  return call;
}

double scripted_F(double* stress, int, double Phi, double c) {
  script->f_calls.push_back(record(stress, Phi, c, 0.0));
  return next_of(script->f, script->f_calls.size() - 1);
}

double scripted_F_Phi(double* stress, int, double c, double Phi_min, double Phi_max) {
  script->phi_calls.push_back(record(stress, c, Phi_min, Phi_max));
  return next_of(script->phi, script->phi_calls.size() - 1);
}

void scripted_Dep(double* sig, int, double Phi, double Psi, double c, double*, double* Dp, double* Dep) {
  static const double zero[36] = {};
  const std::size_t calls = script->dep_calls.size();
  std::memcpy(Dp, script->Dp.empty() ? zero : next_of(script->Dp, calls), 36 * sizeof(double));
  std::memcpy(Dep, script->Dep.empty() ? zero : next_of(script->Dep, calls), 36 * sizeof(double));
  script->dep_calls.push_back(record(sig, Phi, Psi, c));
}

const detail::MaterialModel kScripted{&scripted_F, &scripted_F_Phi, &scripted_Dep, nullptr};

void run(TH10G15::ELEMENT* elem, int nE, const double* dU, int nNodes, Script& s,
         const detail::StageUpdate& stage = {}, double* Fint_p = nullptr) {
  script = &s;
  detail::integrate_explicit(elem, nE, dU, nNodes, stage, kScripted, Fint_p);
  script = nullptr;
}

// One element with pinned state: stored De isotropic, Dep and Dp random, a
// committed stress, Phi = 30, Psi = 10, c = 5, and the given F everywhere.
struct OneElement {
  TH10G15::ELEMENT el = irregular_element();
  std::vector<double> dU;
  std::mt19937 rng{17};

  explicit OneElement(double F) {
    set_elastic_state(&el, 1, 1000.0, 0.25);
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      random_matrix6(rng, 300.0, g.Dep);
      random_matrix6(rng, 100.0, g.Dp);
      for (int i = 0; i < 6; ++i) g.stress[i] = -50.0 + 10.0 * i;
      g.Phi = 30.0;
      g.Psi = 10.0;
      g.c = 5.0;
      g.F = F;
    }
    dU = random_vector(rng, 30, 1e-3);
  }
  void run(Script& s, const detail::StageUpdate& stage = {}) { ::run(&el, 1, dU.data(), 10, s, stage); }
};

void mv6(const double* D, const double* x, double* y) {
  dense_mv(D, 6, 6, x, y);
}

void expect_near6(const double* a, const double* b, double rel, const char* what) {
  EXPECT_LT(rel_diff(a, b, 6), rel) << what;
}

// The stage result for stage matrices D0 (stored), D1 and D2.
void staged(const double* D0, const double* D1, const double* D2, const double* deps, double* out) {
  double half[6], s1[6], s2[6], s3[6];
  for (int i = 0; i < 6; ++i) half[i] = 0.5 * deps[i];
  mv6(D0, half, s1);
  mv6(D1, half, s2);
  mv6(D2, deps, s3);
  for (int i = 0; i < 6; ++i) out[i] = 2.0 / 3.0 * s1[i] + 2.0 / 3.0 * s2[i] + 1.0 / 3.0 * s3[i];
}

}  // namespace

// dstress = De dstrain at every point.
static void expect_elastic_increment(const TH10G15::ELEMENT& el) {
  for (const TH10G15::GAUSSPOINT& p : el.GP) {
    double sig[6];
    mv6(p.De, p.dstrain, sig);
    expect_near6(p.dstress, sig, 1e-15, "De dstrain");
  }
}

TEST(StressIntegration, StrainIncrementIsBTimesDuAndAccumulates) {
  OneElement one(-1.0), sum(-1.0);
  Script s;
  s.f = {-1.0};
  const std::vector<double> dU1 = one.dU, dU2 = random_vector(one.rng, 30, 1e-3);
  one.run(s);
  one.dU = dU2;
  one.run(s);
  for (int i = 0; i < 30; ++i) sum.dU[i] = dU1[i] + dU2[i];
  sum.run(s);
  for (int g = 0; g < 15; ++g) {
    double eps[6];
    dense_mv(one.el.GP[g].B, 6, 30, sum.dU.data(), eps);
    expect_near6(one.el.GP[g].dstrain, eps, 1e-14, "dstrain = B (du1 + du2)");
    expect_near6(sum.el.GP[g].dstrain, eps, 1e-14, "one call with the sum");
  }
  expect_elastic_increment(one.el);
  // A zero change leaves dstrain and recomputes dstress from it.
  for (TH10G15::GAUSSPOINT& p : one.el.GP)
    for (double& v : p.dstress) v = 1e9;
  const TH10G15::ELEMENT before = one.el;
  one.dU.assign(30, 0.0);
  one.run(s);
  for (int g = 0; g < 15; ++g) EXPECT_EQ(std::memcmp(one.el.GP[g].dstrain, before.GP[g].dstrain, 48), 0);
  expect_elastic_increment(one.el);
}

TEST(StressIntegration, ElasticStartStaysElasticUnlessTheTrialValueIsPositive) {
  const double tiny = std::numeric_limits<double>::denorm_min();
  for (double f : {0.0, -0.0, -tiny, -3.0, std::nan(""), tiny}) {
    OneElement one(-tiny);
    Script s;
    s.f = {f};
    one.run(s);
    if (f > 0.0) {
      EXPECT_EQ(s.dep_calls.size(), 30u) << "a positive trial value runs the stages";
      continue;
    }
    EXPECT_EQ(s.f_calls.size(), 15u);
    EXPECT_TRUE(s.dep_calls.empty()) << "f " << f;
    expect_elastic_increment(one.el);
    for (int g = 0; g < 15; ++g) {
      const TH10G15::GAUSSPOINT& p = one.el.GP[g];
      double trial[6];
      for (int i = 0; i < 6; ++i) trial[i] = p.stress[i] + p.dstress[i];
      expect_near6(s.f_calls[g].sigma, trial, 1e-15, "F at stress + dstress");
      EXPECT_EQ(s.f_calls[g].a, 30.0);
      EXPECT_EQ(s.f_calls[g].b, 5.0);
    }
  }
}

TEST(StressIntegration, YieldingStartUnloadsOnlyOnANegativePredictor) {
  const double tiny = std::numeric_limits<double>::denorm_min();
  for (double F : {0.0, -0.0, 2.0, std::nan("")}) {
    for (double f : {-tiny, 0.0, -0.0, 1.0}) {
      OneElement one(F);
      Script s;
      s.f = {f};
      one.run(s);
      if (f == 0.0 || f > 0.0) {
        EXPECT_EQ(s.dep_calls.size(), 30u) << "F " << F << " f " << f;
        continue;
      }
      EXPECT_TRUE(s.dep_calls.empty()) << "F " << F;
      expect_elastic_increment(one.el);
      for (int g = 0; g < 15; ++g) {
        double pred[6];
        mv6(one.el.GP[g].Dep, one.el.GP[g].dstrain, pred);
        for (int i = 0; i < 6; ++i) pred[i] += one.el.GP[g].stress[i];
        expect_near6(s.f_calls[g].sigma, pred, 1e-15, "predictor with the stored Dep");
      }
    }
  }
}

TEST(StressIntegration, DifferingStageMatricesAreWeightedTwoThirdsTwoThirdsOneThird) {
  OneElement one(0.0);
  double D1[36], D2[36], P1[36], P2[36];
  random_matrix6(one.rng, 400.0, D1);
  random_matrix6(one.rng, 200.0, D2);
  random_matrix6(one.rng, 50.0, P1);
  random_matrix6(one.rng, 60.0, P2);
  Script s;
  s.f = {0.0};                    // predictor exactly on the surface: stages
  for (int k = 0; k < 15; ++k) {  // D1 at the first stage, D2 at the second
    s.Dep.insert(s.Dep.end(), {D1, D2});
    s.Dp.insert(s.Dp.end(), {P1, P2});
  }
  one.run(s);
  ASSERT_EQ(s.dep_calls.size(), 30u);
  for (int g = 0; g < 15; ++g) {
    const TH10G15::GAUSSPOINT& p = one.el.GP[g];
    double expected[6];
    staged(p.Dep, D1, D2, p.dstrain, expected);
    expect_near6(p.dstress, expected, 1e-15, "weighted stages");
    // The stage stresses: stress + D0 dstrain / 2, then stress + D1 dstrain / 2.
    double half[6], s1[6], s2[6];
    for (int i = 0; i < 6; ++i) half[i] = 0.5 * p.dstrain[i];
    mv6(p.Dep, half, s1);
    mv6(D1, half, s2);
    for (int i = 0; i < 6; ++i) s1[i] += p.stress[i], s2[i] += p.stress[i];
    expect_near6(s.dep_calls[2 * g].sigma, s1, 1e-15, "first stage stress");
    expect_near6(s.dep_calls[2 * g + 1].sigma, s2, 1e-15, "second stage stress");
    EXPECT_EQ(s.dep_calls[2 * g].a, 30.0);
    EXPECT_EQ(s.dep_calls[2 * g].b, 10.0);
    EXPECT_EQ(s.dep_calls[2 * g].c, 5.0);
  }
}

TEST(StressIntegration, ModeTwoRemobilisesPhiPsiAndFAtBothStageStresses) {
  for (int assoc : {1, 0}) {
    OneElement one(0.0);
    Script s;
    s.phi = {31.0, 33.0};
    double D1[36];
    random_matrix6(one.rng, 400.0, D1);
    s.Dep = {D1};
    s.Dp = {D1};
    // Only the first Gauss point yields: the others keep F < 0 and stay elastic.
    for (int g = 1; g < 15; ++g) one.el.GP[g].F = -1.0;
    s.f = {1.0, 0.25, -0.5, -1.0};  // predictor, F at the two stage stresses, elastic trials
    one.run(s, detail::StageUpdate{true, 12.0, assoc, 4.0});
    const TH10G15::GAUSSPOINT& p = one.el.GP[0];
    ASSERT_EQ(s.phi_calls.size(), 2u);
    ASSERT_EQ(s.dep_calls.size(), 2u);
    EXPECT_TRUE(p.Phi == 33.0 && p.Psi == (assoc == 1 ? 33.0 : 4.0) && p.F == -0.5);
    for (int k = 0; k < 2; ++k) {
      EXPECT_EQ(s.phi_calls[k].a, 5.0);   // c
      EXPECT_EQ(s.phi_calls[k].b, 12.0);  // Phi_min
      EXPECT_EQ(s.phi_calls[k].c, 45.0);  // upper bound
      EXPECT_EQ(std::memcmp(s.phi_calls[k].sigma, s.dep_calls[k].sigma, 48), 0);
      EXPECT_EQ(std::memcmp(s.f_calls[1 + k].sigma, s.dep_calls[k].sigma, 48), 0);
    }
    EXPECT_EQ(s.f_calls[1].a, 31.0) << "F with the new Phi";
    EXPECT_EQ(s.f_calls[2].a, 33.0);
    EXPECT_EQ(s.dep_calls[0].a, 31.0) << "Dep with the new Phi and Psi";
    EXPECT_EQ(s.dep_calls[0].b, assoc == 1 ? 31.0 : 4.0);
    EXPECT_EQ(s.dep_calls[1].a, 33.0);
    for (int g = 1; g < 15; ++g) EXPECT_TRUE(one.el.GP[g].Phi == 30.0 && one.el.GP[g].F == -1.0) << g;
  }
}

TEST(StressIntegration, PlasticForcesCollectTheWeightedPlasticStages) {
  std::mt19937 rng(23);
  Mesh m = box(1, 1, 1);
  set_elastic_state(m, 1000.0, 0.25);
  double D1[36], D2[36], P1[36], P2[36];
  random_matrix6(rng, 400.0, D1);
  random_matrix6(rng, 200.0, D2);
  random_matrix6(rng, 50.0, P1);
  random_matrix6(rng, 60.0, P2);
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      random_matrix6(rng, 300.0, g.Dep);
      random_matrix6(rng, 100.0, g.Dp);
    }
  // Elements 1 and 4 yield (F = 0, predictor 0), the rest stay elastic.
  for (int e : {1, 4})
    for (TH10G15::GAUSSPOINT& g : m.elems[e].GP) g.F = 0.0;
  const int n = 3 * m.nNodes();
  const std::vector<double> dU = random_vector(rng, n, 1e-3);

  // With and without plastic forces the model is the same: predictor 0,
  // elastic trial value 0, stage matrices D1, D2 alternating.
  Script s1, s3;
  for (Script* s : {&s1, &s3}) {
    s->f = {0.0};
    for (int k = 0; k < 60; ++k) {
      s->Dep.push_back(k % 2 == 0 ? D1 : D2);
      s->Dp.push_back(k % 2 == 0 ? P1 : P2);
    }
  }
  Mesh plain = m;
  run(plain.elems.data(), plain.nElements(), dU.data(), m.nNodes(), s1);
  std::vector<double> Fint_p(n, 7.0), expected(n, 0.0);
  run(m.elems.data(), m.nElements(), dU.data(), m.nNodes(), s3, {}, Fint_p.data());
  for (int e = 0; e < m.nElements(); ++e) {
    for (int g = 0; g < 15; ++g) {
      const TH10G15::GAUSSPOINT& p = m.elems[e].GP[g];
      EXPECT_EQ(std::memcmp(p.dstress, plain.elems[e].GP[g].dstress, 48), 0) << "dstress as without forces";
      if (p.F < 0.0) continue;
      double d_sigp[6];
      staged(p.Dp, P1, P2, p.dstrain, d_sigp);
      for (int c = 0; c < 30; ++c)
        for (int r = 0; r < 6; ++r) expected[m.elems[e].DoF[c]] += p.w * p.Jac * p.B[30 * r + c] * d_sigp[r];
    }
  }
  EXPECT_GT(max_abs(expected.data(), n), 0.0);
  EXPECT_LT(rel_diff(Fint_p.data(), expected.data(), n), 1e-13);

  // Every point elastic: an all-zero vector, cleared first.
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) g.F = -1.0;
  Script elastic;
  elastic.f = {-1.0};
  std::vector<double> none(n, 7.0);
  run(m.elems.data(), m.nElements(), dU.data(), m.nNodes(), elastic, {}, none.data());
  EXPECT_EQ(max_abs(none.data(), n), 0.0);
}

TEST(StressIntegration, WritesOnlyTheIncrementsAndInModeTwoPhiPsiF) {
  for (bool active : {false, true}) {
    OneElement one(0.0);
    Script s;
    s.f = {1.0, 0.5};
    s.phi = {35.0};
    double D1[36];
    random_matrix6(one.rng, 400.0, D1);
    s.Dep = {D1};
    s.Dp = {D1};
    const TH10G15::ELEMENT before = one.el;
    one.run(s, detail::StageUpdate{active, 0.0, 1, 0.0});
    for (int g = 0; g < 15; ++g) {
      TH10G15::GAUSSPOINT p = one.el.GP[g];
      const TH10G15::GAUSSPOINT& b = before.GP[g];
      EXPECT_NE(std::memcmp(p.dstrain, b.dstrain, 48), 0);
      std::memcpy(p.dstrain, b.dstrain, 48);
      std::memcpy(p.dstress, b.dstress, 48);
      if (active) {
        EXPECT_TRUE(p.Phi == 35.0 && p.Psi == 35.0 && p.F == 0.5);
        p.Phi = b.Phi, p.Psi = b.Psi, p.F = b.F;
      }
      EXPECT_TRUE(same_bytes(p, b)) << "point " << g;
    }
    EXPECT_EQ(std::memcmp(one.el.Node_ID, before.Node_ID, sizeof(before.Node_ID)), 0);
    EXPECT_EQ(std::memcmp(one.el.DoF, before.DoF, sizeof(before.DoF)), 0);
  }
}

namespace {

// A box with the Mohr-Coulomb state of a committed stress: points of the
// listed elements on the yield surface (Phi mobilised, F pinned to 0), the
// others well inside it.
Mesh mohr_coulomb_box(const std::vector<int>& yielding_elements) {
  Mesh m = box(1, 1, 1);
  const double stress[6] = {-30.0, -45.0, -80.0, 4.0, -3.0, 2.0};
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      g.E = 1.0e4, g.nu = 0.3, g.c = 5.0;
      for (int i = 0; i < 6; ++i) g.stress[i] = g.stress0[i] = stress[i];
    }
  for (int e = 0; e < m.nElements(); ++e) {
    const bool yields = std::count(yielding_elements.begin(), yielding_elements.end(), e) > 0;
    // Phi_min 40, well above the mobilised angle of about 22.7 degrees, puts
    // the other points inside the surface (F about -13).
    TH10G15::update_Phi_F_D(&m.elems[e], 1, yields ? 0.0 : 40.0, 0, 5.0);
    if (yields)
      for (TH10G15::GAUSSPOINT& g : m.elems[e].GP) g.F = 0.0;
  }
  return m;
}

bool same_elements(const Mesh& a, const Mesh& b) {
  return std::memcmp(a.elems.data(), b.elems.data(), a.elems.size() * sizeof(TH10G15::ELEMENT)) == 0;
}

}  // namespace

TEST(StressIntegrationOverloads, ModeOtherThanTwoAndPlasticForcesMatchTheBasicForm) {
  std::mt19937 rng(51);
  const Mesh base = mohr_coulomb_box({0, 3});
  const int n = 3 * base.nNodes();
  std::vector<double> dU = random_vector(rng, n, 1e-4);
  Mesh one = base, three = base;
  TH10G15::dU_Eps_Sig_RK4(one.elems.data(), one.nElements(), dU.data(), one.nNodes());
  for (int mode : {0, 1, 3, -2}) {
    Mesh two = base;
    TH10G15::dU_Eps_Sig_RK4(two.elems.data(), two.nElements(), dU.data(), two.nNodes(), mode, 10.0, 1, 0.0);
    EXPECT_TRUE(same_elements(one, two)) << "mode " << mode;
  }
  std::vector<double> Fint_p(n, 3.0);
  TH10G15::dU_Eps_Sig_RK4(three.elems.data(), three.nElements(), dU.data(), three.nNodes(), Fint_p.data());
  EXPECT_TRUE(same_elements(one, three));
  EXPECT_GT(max_abs(Fint_p.data(), n), 0.0);

  // All elastic: no plastic force at all.
  Mesh elastic = mohr_coulomb_box({});
  std::vector<double> zero(n, 3.0), small = random_vector(rng, n, 1e-6);
  TH10G15::dU_Eps_Sig_RK4(elastic.elems.data(), elastic.nElements(), small.data(), elastic.nNodes(),
                          zero.data());
  EXPECT_EQ(max_abs(zero.data(), n), 0.0);
}

TEST(StressIntegrationOverloads, ModeTwoLeavesTheAngleMobilisedAtTheLastStage) {
  std::mt19937 rng(52);
  Mesh m = mohr_coulomb_box({2});
  std::vector<double> dU = random_vector(rng, 3 * m.nNodes(), 1e-4);
  const Mesh before = m;
  TH10G15::dU_Eps_Sig_RK4(m.elems.data(), m.nElements(), dU.data(), m.nNodes(), 2, 10.0, 1, 0.0);
  int changed = 0;
  for (int e = 0; e < m.nElements(); ++e)
    for (int g = 0; g < 15; ++g) {
      const TH10G15::GAUSSPOINT &p = m.elems[e].GP[g], &b = before.elems[e].GP[g];
      changed += p.Phi != b.Phi;
      EXPECT_EQ(p.Psi, p.Phi == b.Phi ? b.Psi : p.Phi) << "associated: Psi follows Phi";
      if (e != 2) {
        EXPECT_EQ(p.Phi, b.Phi);
      }
      EXPECT_GE(p.Phi, 10.0);
    }
  EXPECT_GT(changed, 0);
}

TEST(StressIntegrationOverloads, YieldingIncrementFollowsTheTangentNotHalfOfIt) {
  // Points on the surface loaded outwards from an elastic start: the three
  // stage matrices differ only by the small change of stress, so dstress is
  // the stored Dep times dstrain to first order in the increment.
  std::mt19937 rng(53);
  Mesh m = mohr_coulomb_box({0, 1, 2, 3, 4, 5});
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) g.F = -1.0;
  std::vector<double> dU = random_vector(rng, 3 * m.nNodes(), 1e-5);
  TH10G15::dU_Eps_Sig_RK4(m.elems.data(), m.nElements(), dU.data(), m.nNodes());
  int staged = 0;
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      double elastic[6], tangent[6];
      mv6(g.De, g.dstrain, elastic);
      if (std::memcmp(elastic, g.dstress, sizeof(elastic)) == 0) continue;  // unloading point
      ++staged;
      mv6(g.Dep, g.dstrain, tangent);
      EXPECT_LT(rel_diff(g.dstress, tangent, 6), 1e-2);
    }
  EXPECT_GT(staged, 20);
}

TEST(StressIntegrationOverloads, StageProductsMatchTheFormedMatricesWhateverTheAngles) {
  // The library's stages take Dep v and Dp v from the gradients; a model
  // without that shortcut forms the matrices and multiplies. Angles that
  // repeat over a few points and then change, in every mode.
  std::mt19937 rng(54);
  Mesh base = mohr_coulomb_box({0, 1, 2, 3, 4, 5});
  for (TH10G15::ELEMENT& el : base.elems)
    for (int g = 0; g < 15; ++g) {
      el.GP[g].Phi += (g / 4) * 0.5;
      el.GP[g].Psi = 2.0 + (g / 3);
    }
  const int n = 3 * base.nNodes();
  std::vector<double> dU = random_vector(rng, n, 1e-5);
  const detail::MaterialModel library = detail::mohr_coulomb();
  const detail::MaterialModel matrices{library.F, library.F_Phi, library.Dep, nullptr};
  for (bool mode2 : {false, true}) {
    detail::StageUpdate stage;
    stage.active = mode2;
    stage.Phi_min = 10.0;
    stage.Psi = 3.0;
    Mesh fast = base, formed = base;
    std::vector<double> Fp_fast(n), Fp_formed(n);
    detail::integrate_explicit(fast.elems.data(), fast.nElements(), dU.data(), fast.nNodes(), stage, library,
                                Fp_fast.data());
    detail::integrate_explicit(formed.elems.data(), formed.nElements(), dU.data(), formed.nNodes(), stage,
                                matrices, Fp_formed.data());
    int staged = 0;
    for (int e = 0; e < base.nElements(); ++e)
      for (int g = 0; g < 15; ++g) {
        const TH10G15::GAUSSPOINT &a = fast.elems[e].GP[g], &b = formed.elems[e].GP[g];
        EXPECT_LT(rel_diff(a.dstress, b.dstress, 6), 1e-12) << mode2 << " " << e << " " << g;
        EXPECT_EQ(a.Phi, b.Phi);
        double elastic[6];
        mv6(a.De, a.dstrain, elastic);
        staged += std::memcmp(elastic, a.dstress, sizeof(elastic)) != 0;
      }
    EXPECT_GT(staged, 20) << mode2;
    EXPECT_LT(rel_diff(Fp_fast.data(), Fp_formed.data(), n), 1e-12) << mode2;
  }
}

TEST(StressIntegrationOverloads, ElasticPipelineGivesKTimesU) {
  // make_K, two displacement changes through the stress integration, then
  // make_Fint: the internal forces of stress - stress0 + dstress (stress0 =
  // stress here, dstress the sum of both increments) are K times the total
  // displacement.
  std::mt19937 rng(54);
  Mesh m = mohr_coulomb_box({});
  const int n = 3 * m.nNodes();
  std::vector<double> K(static_cast<std::size_t>(n) * n), U(n, 0.0), KU(n), Fint(n);
  TH10G15::make_K(m.elems.data(), m.nElements(), m.nNodes(), K.data(), 1);
  for (int step = 0; step < 2; ++step) {
    std::vector<double> dU = random_vector(rng, n, 1e-5);
    TH10G15::dU_Eps_Sig_RK4(m.elems.data(), m.nElements(), dU.data(), m.nNodes());
    for (int i = 0; i < n; ++i) U[i] += dU[i];
  }
  dense_mv(K.data(), n, n, U.data(), KU.data());
  TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), Fint.data());
  EXPECT_LT(rel_diff(Fint.data(), KU.data(), n), 1e-12);
}
