#pragma once
// Byte-level mutations of a file, as a fuzzer makes them.

#include <random>
#include <string>

namespace vesk::test {

// One to eight mutations of file: bit flips, overwritten bytes and integers (with boundary
// values), cut-off ends, removed, repeated and inserted blocks. The first four bytes (the
// format's signature) are kept nine times out of ten, so that the same decoder is exercised.
std::string Mutate(std::string file, std::mt19937_64& random);

// Recomputes the checksum of every whole PNG chunk, so that a mutation reaches the code behind
// libpng's checksum test.
void FixPngChecksums(std::string& file);

}  // namespace vesk::test
