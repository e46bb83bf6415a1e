#pragma once

namespace cli {

// The --help text, Korean and English.
extern const char* const kHelpText;
// The short usage shown with a usage error.
extern const char* const kUsageText;

}  // namespace cli
