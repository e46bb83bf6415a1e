// Demo and test aid: creates an empty sample table database holding every
// table the bundled sample export files need. The importer never creates a
// table; this is a separate command (dbfimport-cli --make-sample-db DIR).
#pragma once

#include <string>

namespace sampledb {

// Creates `directory` if needed and the tables in it; throws
// std::runtime_error (UTF-8 description) if a table already exists or a file
// cannot be written.
void MakeSampleDatabase(const std::string& directory);

}  // namespace sampledb
