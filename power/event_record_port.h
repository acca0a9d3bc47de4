// Where a part that only writes event rows writes them: the record keeper in
// the program, a list in a test.
#pragma once

#include <string>

namespace voltaris {

class EventRecordPort {
 public:
  virtual ~EventRecordPort() = default;
  virtual void AppendEvent(const std::string& text) = 0;
};

}  // namespace voltaris
