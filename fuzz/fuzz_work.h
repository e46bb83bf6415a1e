// The fuzz targets' table folder: the sample tables made once per process (on
// tmpfs when there is one) and copied afresh for every input, beside an empty
// files/ and journal/ folder.
#pragma once

#include <filesystem>

namespace fuzzwork {

// <work>/db with fresh sample tables, <work>/files and <work>/journal empty.
std::filesystem::path FreshWorkDirectory();
// The tables of `db` are the ones every later FreshWorkDirectory copies.
void KeepAsPristine(const std::filesystem::path& db);

}  // namespace fuzzwork
