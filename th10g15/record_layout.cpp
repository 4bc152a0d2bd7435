// The records are a binary interface with host programs, which fill many
// fields directly: pin every size and offset for the x86-64 natural alignment.
#include <cstddef>

#include "TH10G15.h"

namespace FiniteElementMethod {
namespace {

using GP = TH10G15::GAUSSPOINT;
using EL = TH10G15::ELEMENT;
using ND = FEM::NODE;

constexpr std::size_t d = sizeof(double);

static_assert(sizeof(GP) == 397 * d, "GAUSSPOINT is 397 doubles");
static_assert(offsetof(GP, L) == 0 * d);
static_assert(offsetof(GP, w) == 3 * d);
static_assert(offsetof(GP, N) == 4 * d);
static_assert(offsetof(GP, dNdL) == 14 * d);
static_assert(offsetof(GP, E) == 44 * d);
static_assert(offsetof(GP, nu) == 45 * d);
static_assert(offsetof(GP, G) == 46 * d);
static_assert(offsetof(GP, Phi) == 47 * d);
static_assert(offsetof(GP, Psi) == 48 * d);
static_assert(offsetof(GP, c) == 49 * d);
static_assert(offsetof(GP, spare1) == 50 * d);
static_assert(offsetof(GP, Jac) == 52 * d);
static_assert(offsetof(GP, Dep) == 53 * d);
static_assert(offsetof(GP, Dp) == 89 * d);
static_assert(offsetof(GP, De) == 125 * d);
static_assert(offsetof(GP, B) == 161 * d);
static_assert(offsetof(GP, stress0) == 341 * d);
static_assert(offsetof(GP, stress) == 347 * d);
static_assert(offsetof(GP, dstress) == 353 * d);
static_assert(offsetof(GP, spare2) == 359 * d);
static_assert(offsetof(GP, strain) == 365 * d);
static_assert(offsetof(GP, dstrain) == 371 * d);
static_assert(offsetof(GP, spare3) == 377 * d);
static_assert(offsetof(GP, spare4) == 383 * d);
static_assert(offsetof(GP, spare5) == 386 * d);
static_assert(offsetof(GP, spare6) == 389 * d);
static_assert(offsetof(GP, sig_m) == 390 * d);
static_assert(offsetof(GP, ds_bar) == 391 * d);
static_assert(offsetof(GP, Lode) == 392 * d);
static_assert(offsetof(GP, F) == 393 * d);
static_assert(offsetof(GP, spare7) == 394 * d);
static_assert(sizeof(GP) == 3176);

static_assert(offsetof(EL, GP) == 0);
static_assert(offsetof(EL, Node_ID) == 47640);
static_assert(offsetof(EL, DoF) == 47680);
static_assert(offsetof(EL, Coords) == 47800);
static_assert(sizeof(EL) == 48040);

static_assert(offsetof(ND, x) == 0);
static_assert(offsetof(ND, y) == 8);
static_assert(offsetof(ND, z) == 16);
static_assert(offsetof(ND, cyl) == 24);
static_assert(offsetof(ND, theta) == 32);
static_assert(offsetof(ND, DoF) == 40);
static_assert(offsetof(ND, u) == 56);
static_assert(offsetof(ND, f) == 80);
static_assert(sizeof(ND) == 104);

}  // namespace
}  // namespace FiniteElementMethod
