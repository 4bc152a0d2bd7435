// The element text dump "TH10G15.TXT": byte-exact text for an element with
// known values, element order and counts, and every failure to write it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "TH10G15.h"
#include "test_support.h"

namespace {

using FiniteElementMethod::TH10G15;
using th10test::captured_stdout;
using th10test::read_file;
using th10test::replace_all;
using th10test::ScratchDir;

// The head of the element below and one Gauss-point block, with "@G" for the
// point number and "@PHI" for Phi, the only fields that differ between points.
const char kElementHead[] =
    "Element 0\n"
    " Node_ID:       3       4       1       2      10       8       7       6       9       5 "
    "\n"
    "     DoF:       9      10      11      12      13      14       3       4       5       6 "
    "      7       8      30      31      32      24      25      26      21      22      23   "
    "   18      19      20      27      28      29      15      16      17 \n"
    "  Coords:   0.000  -0.100  -0.200   0.250   0.150   0.050   0.500   0.400   0.300   0.750 "
    "  0.650   0.550   1.000   0.900   0.800   1.250   1.150   1.050   1.500   1.400   1.300   "
    "1.750   1.650   1.550   2.000   1.900   1.800   2.250   2.150   2.050 \n";

const char kGaussPoint[] =
    "\n"
    "      GP:@G sig_m=-1.250E+01 ds_bar=7.250E+00 Lode=-3.000E-01 Phi=@PHI c=15.000 F=-1.000E-"
    "09 Jac=1.250E-01 w=1.230E-02\n"
    " dstrain: 1.00000E-05 2.00000E-05 3.00000E-05 4.00000E-05 5.00000E-05 6.00000E-05\n"
    "\n"
    "  strain: -2.00000E-04 -4.00000E-04 -6.00000E-04 -8.00000E-04 -1.00000E-03 -1.20000E-03\n"
    "\n"
    " dstress: 3.50000E+00 7.00000E+00 1.05000E+01 1.40000E+01 1.75000E+01 2.10000E+01\n"
    "\n"
    "  stress: -1.00000E+02 -1.01000E+02 -1.02000E+02 -1.03000E+02 -1.04000E+02 -1.05000E+02\n"
    "\n"
    "     Dep: \n"
    "   -2.000E+01    -1.850E+01    -1.700E+01    -1.550E+01    -1.400E+01    -1.250E+01 \n"
    "   -1.100E+01    -9.500E+00    -8.000E+00    -6.500E+00    -5.000E+00    -3.500E+00 \n"
    "   -2.000E+00    -5.000E-01     1.000E+00     2.500E+00     4.000E+00     5.500E+00 \n"
    "    7.000E+00     8.500E+00     1.000E+01     1.150E+01     1.300E+01     1.450E+01 \n"
    "    1.600E+01     1.750E+01     1.900E+01     2.050E+01     2.200E+01     2.350E+01 \n"
    "    2.500E+01     2.650E+01     2.800E+01     2.950E+01     3.100E+01     3.250E+01 \n"
    "\n"
    "       B: \n"
    " -4.000000E-02  -3.000000E-02  -2.000000E-02  -1.000000E-02  0.000000E+00  1.000000E-02  2"
    ".000000E-02  3.000000E-02  4.000000E-02  5.000000E-02  6.000000E-02  7.000000E-02  8.00000"
    "0E-02  9.000000E-02  1.000000E-01  1.100000E-01  1.200000E-01  1.300000E-01  1.400000E-01 "
    " 1.500000E-01  1.600000E-01  1.700000E-01  1.800000E-01  1.900000E-01  2.000000E-01  2.100"
    "000E-01  2.200000E-01  2.300000E-01  2.400000E-01  2.500000E-01 \n"
    " -3.000000E-02  -1.000000E-02  1.000000E-02  3.000000E-02  5.000000E-02  7.000000E-02  9.0"
    "00000E-02  1.100000E-01  1.300000E-01  1.500000E-01  1.700000E-01  1.900000E-01  2.100000E"
    "-01  2.300000E-01  2.500000E-01  2.700000E-01  2.900000E-01  3.100000E-01  3.300000E-01  3"
    ".500000E-01  3.700000E-01  3.900000E-01  4.100000E-01  4.300000E-01  4.500000E-01  4.70000"
    "0E-01  4.900000E-01  5.100000E-01  5.300000E-01  5.500000E-01 \n"
    " -2.000000E-02  1.000000E-02  4.000000E-02  7.000000E-02  1.000000E-01  1.300000E-01  1.60"
    "0000E-01  1.900000E-01  2.200000E-01  2.500000E-01  2.800000E-01  3.100000E-01  3.400000E-"
    "01  3.700000E-01  4.000000E-01  4.300000E-01  4.600000E-01  4.900000E-01  5.200000E-01  5."
    "500000E-01  5.800000E-01  6.100000E-01  6.400000E-01  6.700000E-01  7.000000E-01  7.300000"
    "E-01  7.600000E-01  7.900000E-01  8.200000E-01  8.500000E-01 \n"
    " -1.000000E-02  3.000000E-02  7.000000E-02  1.100000E-01  1.500000E-01  1.900000E-01  2.30"
    "0000E-01  2.700000E-01  3.100000E-01  3.500000E-01  3.900000E-01  4.300000E-01  4.700000E-"
    "01  5.100000E-01  5.500000E-01  5.900000E-01  6.300000E-01  6.700000E-01  7.100000E-01  7."
    "500000E-01  7.900000E-01  8.300000E-01  8.700000E-01  9.100000E-01  9.500000E-01  9.900000"
    "E-01  1.030000E+00  1.070000E+00  1.110000E+00  1.150000E+00 \n"
    " 0.000000E+00  5.000000E-02  1.000000E-01  1.500000E-01  2.000000E-01  2.500000E-01  3.000"
    "000E-01  3.500000E-01  4.000000E-01  4.500000E-01  5.000000E-01  5.500000E-01  6.000000E-0"
    "1  6.500000E-01  7.000000E-01  7.500000E-01  8.000000E-01  8.500000E-01  9.000000E-01  9.5"
    "00000E-01  1.000000E+00  1.050000E+00  1.100000E+00  1.150000E+00  1.200000E+00  1.250000E"
    "+00  1.300000E+00  1.350000E+00  1.400000E+00  1.450000E+00 \n"
    " 1.000000E-02  7.000000E-02  1.300000E-01  1.900000E-01  2.500000E-01  3.100000E-01  3.700"
    "000E-01  4.300000E-01  4.900000E-01  5.500000E-01  6.100000E-01  6.700000E-01  7.300000E-0"
    "1  7.900000E-01  8.500000E-01  9.100000E-01  9.700000E-01  1.030000E+00  1.090000E+00  1.1"
    "50000E+00  1.210000E+00  1.270000E+00  1.330000E+00  1.390000E+00  1.450000E+00  1.510000E"
    "+00  1.570000E+00  1.630000E+00  1.690000E+00  1.750000E+00 \n";

void fill(TH10G15::ELEMENT& el) {
  const int Node_ID[10] = {3, 4, 1, 2, 10, 8, 7, 6, 9, 5};
  for (int k = 0; k < 10; ++k) {
    el.Node_ID[k] = Node_ID[k];
    for (int d = 0; d < 3; ++d) {
      el.DoF[3 * k + d] = 3 * Node_ID[k] + d;
      el.Coords[3 * k + d] = 0.25 * k - 0.1 * d;
    }
  }
  for (int g = 0; g < 15; ++g) {
    TH10G15::GAUSSPOINT& p = el.GP[g];
    p.sig_m = -12.5, p.ds_bar = 7.25, p.Lode = -0.3, p.Phi = g + 0.5;
    p.c = 15.0, p.F = -1e-9, p.Jac = 0.125, p.w = 0.0123;
    for (int c = 0; c < 6; ++c) {
      p.dstrain[c] = 1e-5 * (c + 1);
      p.strain[c] = -2e-4 * (c + 1);
      p.dstress[c] = 3.5 * (c + 1);
      p.stress[c] = -100.0 - c;
    }
    for (int i = 0; i < 36; ++i) p.Dep[i] = i * 1.5 - 20.0;
    for (int r = 0; r < 6; ++r)
      for (int j = 0; j < 30; ++j) p.B[r * 30 + j] = (r + 1) * 0.01 * (j + 1) - 0.05;
  }
}

// The expected text of element e filled as above.
std::string element_text(int e) {
  std::string s = replace_all(kElementHead, "Element 0", "Element " + std::to_string(e));
  for (int g = 0; g < 15; ++g) {
    char phi[16];
    std::snprintf(phi, sizeof phi, "%d.500", g);
    s += replace_all(replace_all(kGaussPoint, "@G", std::to_string(g)), "@PHI", phi);
  }
  return s;
}

std::string dump(std::vector<TH10G15::ELEMENT>& elements, int nE) {
  return captured_stdout([&] { TH10G15::SaveTXT(elements.data(), nE); });
}

const char kError[] = "--- ERROR! Cannot create TH10G15.TXT file!\n";

TEST(TextDump, WritesEveryElementAndGaussPointExactly) {
  ScratchDir dir;
  std::vector<TH10G15::ELEMENT> elements(2);
  for (TH10G15::ELEMENT& el : elements) fill(el);
  EXPECT_EQ(dump(elements, 1), "");
  EXPECT_EQ(read_file("TH10G15.TXT"), element_text(0));
  // The next element follows the last row of B directly; nothing after the last.
  EXPECT_EQ(dump(elements, 2), "");
  EXPECT_EQ(read_file("TH10G15.TXT"), element_text(0) + element_text(1));
  // No elements: an empty file replaces the old one.
  EXPECT_EQ(dump(elements, 0), "");
  EXPECT_EQ(read_file("TH10G15.TXT"), "");
}

TEST(TextDump, FailuresPrintTheMessageAndChangeNoRecord) {
  ScratchDir dir;
  std::vector<TH10G15::ELEMENT> elements(1);
  fill(elements[0]);
  const std::vector<TH10G15::ELEMENT> before = elements;

  ASSERT_EQ(mkdir("TH10G15.TXT", 0755), 0);  // cannot be created
  EXPECT_EQ(dump(elements, 1), kError);
  ASSERT_EQ(rmdir("TH10G15.TXT"), 0);

  ASSERT_EQ(symlink("/dev/full", "TH10G15.TXT"), 0);  // the disk is full
  EXPECT_EQ(dump(elements, 1), kError);
  ASSERT_EQ(unlink("TH10G15.TXT"), 0);

  {  // A file-size limit stops the writing part way.
    rlimit old_limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_limit;
    limit.rlim_cur = 10000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const std::string out = dump(elements, 1);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);
    EXPECT_EQ(out, kError);
    EXPECT_EQ(read_file("TH10G15.TXT").size(), 10000u);
  }
  EXPECT_EQ(std::memcmp(before.data(), elements.data(), sizeof(TH10G15::ELEMENT)), 0);
}

}  // namespace
