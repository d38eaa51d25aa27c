#pragma once
// A lowercase l as terminal and interface fonts draw it, a plain stroke, reads as a one or a capital I:
// "lvm" reads "1vm", "load" "1oad", "All" "AlI", and now and then as a bracket: "libssl3" reads "libss]3".

#include <string>
#include <string_view>

namespace vesk {

// Per word: a one that begins a run of two or more lowercase letters ending the word, at the word's
// start or after a mark ("1vm", "1oad:", ".1og", "/1ib"), reads as l, unless the letters are a unit
// or an ordinal ("1px", "1st", "1min"); and a capital I that ends a word of one capital and lowercase
// letters ("AlI", "wilI") reads as l. A one after a digit or a letter is a number or a name's
// ("11am", "sda1") and stays. A closing bracket between a lowercase letter and a letter or digit, in
// a word that opens no bracket, reads as l too ("libss]3").
std::string ReadLowercaseElls(std::string_view text);

}  // namespace vesk
