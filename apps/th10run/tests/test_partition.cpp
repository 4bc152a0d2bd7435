// A mesh split over two ranks, each rank's part built as that rank builds it.
#include <gtest/gtest.h>

#include <algorithm>

#include "element_geometry.h"
#include "model.h"

namespace {

using namespace th10run;

// Rank `me` of two, which owns the first (rank 0) or the second half of the elements.
class HalfRanks : public Ranks {
 public:
  explicit HalfRanks(int me) : me_(me) {}
  int rank() const override { return me_; }
  int size() const override { return 2; }
  std::vector<int> partition(const ElementGraph& g) const override {
    std::vector<int> owner(g.size());
    for (int e = 0; e < g.size(); ++e) owner[e] = 2 * e >= g.size();
    return owner;
  }

 private:
  int me_;
};

TEST(Th10runPartition, TwoRanksHoldTheWholeMeshOnceWithItsGroupsAndSurface) {
  MeshInput mesh;
  mesh.cells[0] = 3;  // 6 x 3 x 2 x 2 elements
  const std::vector<GroupInput> boxes = {{"", "left", Box{{0, 0, 0}, {0.5, 1, 1}}}};
  const Model whole = build_model(mesh, boxes);
  auto surface = [](const Model& m) {
    int n = 0;
    for (const auto& faces : m.part.neighbour_group)
      n += static_cast<int>(std::count(faces.begin(), faces.end(), -1));
    return n;
  };
  std::vector<int> owned(whole.nElements(), 0), groups(whole.groups.size(), 0);
  int faces = 0;
  for (int me = 0; me < 2; ++me) {
    const Model m = build_model(mesh, boxes, std::make_shared<HalfRanks>(me));
    ASSERT_EQ(m.part.nElements, whole.nElements());
    ASSERT_EQ(m.groups.size(), whole.groups.size());
    EXPECT_EQ(m.part.node_start, (std::vector<int>{0, m.part.node_start[1], whole.nNodes()}));
    for (size_t g = 0; g < m.groups.size(); ++g) groups[g] += m.groups[g].count;
    faces += surface(m);
    for (int e = 0; e < m.nElements(); ++e) {
      const int id = m.part.global_id[e];
      ++owned[id];
      // The same element, its nodes numbered rank by rank: rank 0's nodes first.
      for (int k = 0; k < tet10::kDofs; ++k) EXPECT_EQ(m.elems[e].Coords[k], whole.elems[id].Coords[k]);
      for (int k = 0; k < tet10::kNodes; ++k) {
        const FEM::NODE& n = m.nodes[m.elems[e].Node_ID[k]];
        EXPECT_EQ(n.z, whole.elems[id].Coords[3 * k + 2]);
        EXPECT_TRUE(me == 1 || m.elems[e].Node_ID[k] < m.part.node_start[1]);
      }
      EXPECT_EQ(m.elems[e].GP[0].Jac, whole.elems[id].GP[0].Jac);
    }
  }
  EXPECT_EQ(owned, std::vector<int>(whole.nElements(), 1));
  for (size_t g = 0; g < groups.size(); ++g) EXPECT_EQ(groups[g], whole.groups[g].count);
  // The faces the halves share are no part of the surface.
  EXPECT_EQ(faces, surface(whole));
  EXPECT_EQ(surface(whole), 2 * 2 * (3 * 2 + 3 * 2 + 2 * 2));
}

}  // namespace
