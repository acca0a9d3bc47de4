// A rectangle of a painted window that acts like a button; bounds inclusive.
#pragma once

namespace voltaris {

struct HotZone {
  int left, top, right, bottom;
  bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

}  // namespace voltaris
