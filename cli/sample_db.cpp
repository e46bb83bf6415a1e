#include "cli/sample_db.h"

#include <stdexcept>

namespace sampledb {
void MakeSampleDatabase(const std::string&) { throw std::runtime_error("not yet"); }
}  // namespace sampledb
