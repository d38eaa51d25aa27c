#pragma once
// The registry editor's fields as its small interface font draws them: a number value shown as
// "0x00000002 (2)", the types "REG_SZ" and "REG_DWORD", a key's unnamed value "(Default)". The
// recogniser merges runs of zeros ("0x000000 (2)"), loses thin letters ("(efault)") and reads S and Z
// as digits ("REG_52").

#include <string>
#include <string_view>

namespace vesk {

// A line (or a row's piece) that is one such field, misread, reads as that field:
// - "0x" and hexadecimal digits (spaces among them lost or read) and a decimal number in brackets
//   reads as the editor writes the number: eight hexadecimal digits (sixteen when more than eight
//   were read) and the number in brackets after a space, when the digits read can be had from
//   those by dropping some (a run of zeros merged, a letter lost) and the number fits;
// - a word "REG_" and a type name's letters, one or two of them read as the recogniser's digits for
//   capitals (5 or 2 for S or Z, 0 for O or D, 8 for B) or lost, reads as that type when exactly one
//   type is so near;
// - "(" and a word with one letter of "Default" lost or confused and ")" reads "(Default)".
std::string ReadRegistryValues(std::string_view text);

}  // namespace vesk
