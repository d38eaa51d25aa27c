#pragma once
// Digests as lower-case hexadecimal text; empty text when the digest could not be computed.

#include <string>
#include <string_view>

namespace vesk {

std::string Sha256FileHex(const std::u16string& path);
std::string Md5Hex(std::string_view bytes);

}  // namespace vesk
