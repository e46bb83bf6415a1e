// SHA-256 (FIPS 180-4): the journal's fingerprint of an export file and of
// each saved record. Small and our own, so the core needs no crypto library.
#pragma once

#include <string>
#include <string_view>

namespace ModMain {

// The digest of `bytes` as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace ModMain
