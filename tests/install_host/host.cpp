// A minimal host: one element's Gauss points through the installed library.
#include <th10fem/TH10G15.h>

#include <cmath>
#include <cstdio>
#include <vector>

using FiniteElementMethod::TH10G15;

int main() {
  std::vector<TH10G15::ELEMENT> el(1);
  TH10G15::CreateGaussPoints(el[0].GP);
  double sum = 0.0;
  for (int g = 0; g < TH10G15::nG; ++g) sum += el[0].GP[g].w;
  if (std::fabs(sum - 1.0 / 6.0) > 1e-15 || TH10G15::nN != 10) {
    std::printf("host: wrong weights %.17g\n", sum);
    return 1;
  }
  std::printf("host: ok\n");
  return 0;
}
