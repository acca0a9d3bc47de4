// The main window's skin: where its zones lie.
#include <gtest/gtest.h>

#include "res/skin_layout.h"

using namespace voltaris;

// Every zone of the skin holds its corners and its middle (where the
// end-to-end scripts click), and not the pixel beyond any of its sides.
TEST(SkinLayout, ZonesHoldTheirBoundsOnly) {
  for (const skin::NamedZone& named : skin::kAllZones) {
    SCOPED_TRACE(named.name);
    const HotZone& z = named.zone;
    EXPECT_LE(z.left, z.right);
    EXPECT_LE(z.top, z.bottom);
    EXPECT_TRUE(z.Contains(z.left, z.top));
    EXPECT_TRUE(z.Contains(z.right, z.bottom));
    EXPECT_TRUE(z.Contains(skin::CentreX(z), skin::CentreY(z)));
    EXPECT_FALSE(z.Contains(z.left - 1, z.top));
    EXPECT_FALSE(z.Contains(z.right + 1, z.bottom));
    EXPECT_FALSE(z.Contains(z.left, z.top - 1));
    EXPECT_FALSE(z.Contains(z.right, z.bottom + 1));
  }
}

