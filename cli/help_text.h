#pragma once

#include <string>

namespace cli {

// The --help text, Korean and English, with the kinds of the kind table.
std::string HelpText();
// The short usage shown with a usage error.
extern const char* const kUsageText;

}  // namespace cli
