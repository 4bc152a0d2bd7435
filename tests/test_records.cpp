// The records as a host sees them: counts and constants of the interface.
#include <gtest/gtest.h>

#include "TH10G15.h"

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;

TEST(Records, SizesMatchTheBinaryInterface) {
  EXPECT_EQ(sizeof(TH10G15::GAUSSPOINT), 397 * sizeof(double));
  EXPECT_EQ(sizeof(TH10G15::ELEMENT), 48040u);
  EXPECT_EQ(sizeof(FEM::NODE), 104u);
  EXPECT_EQ(TH10G15::nG, 15);
  EXPECT_EQ(TH10G15::nN, 10);
  // The constants are real objects with an address, as a host resolving them needs.
  const int* pG = &TH10G15::nG;
  const int* pN = &TH10G15::nN;
  EXPECT_EQ(*pG + *pN, 25);
}
