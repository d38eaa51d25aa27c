#pragma once

#include <string>
#include <string_view>

namespace vesk {

// The clean-up a reader expects of one recognised line: full-width punctuation (U+FF01 to U+FF5E,
// the ideographic comma and full stop) whose nearest characters on either side are Latin and none
// is Chinese becomes its ASCII form, spaces at both ends go, and so does a space between a digit and
// a decimal point before a digit ("0 .0" reads "0.0"). Punctuation within Chinese text stays as it is.
std::string PolishLineText(std::string_view text);

// Monospace and bitmap fonts draw zero with a slash or a dot inside, which the recogniser reads as a
// Greek theta. In a line with no other Greek letter, a run of thetas that stands beside a digit, or is
// the whole line, becomes zeros ("1θ24" reads "1024", a lone "θ" cell "0"); a theta among words stays.
std::string ReadSlashedZeros(std::string_view text);

// In small fonts a zero that stands alone (a table's "0" cell, a counter) reads as the letter o: a line
// that is nothing but "o" or "O" reads "0". No word is a lone o, and a mark read as one stays a line
// that matches nothing either way. So does a lone o, O or theta among number fields ("-20", "0.0",
// "45%") and at most one lone capital, as `top` prints a process's fields ("O S" reads "0 S"), unless
// every word is one.
std::string ReadLoneZero(std::string_view text);

// The capitals of small aliased interface fonts read as digits or small letters. In a name of capitals
// joined by underscores (a registry value's type, a constant) with no digit of its own, a 5 that begins a
// part before a capital reads as S ("REG_5Z" reads "REG_SZ"); and a line that is a menu's keyboard
// accelerator, Ctrl and a letter, reads with the capitals menus write it with ("ctrl+s" and "ctr1+F"
// read "Ctrl+S" and "Ctrl+F"; "ctrl+0" stays a digit).
std::string ReadInterfaceCapitals(std::string_view text);

// A month's abbreviation in a date ("Oct 25", "Apr 2 14:07", "May 9 2024", as `ls -l` and mail lists write
// them) that the recogniser read with one of its usual confusions of a terminal font's glyphs (0 or o for
// O, H for M or A, o for p, 1 for l) reads as the month: "0ct 25" reads "Oct 25", "Hay 9" "May 9". Only
// before a day of 1 to 31 that ends the line or comes before a time or a year.
std::string ReadMonthNames(std::string_view text);

// A file's mode as `ls -l` prints it ("drwxr-xr-x", "-rw-r--r--", ten characters and perhaps a "." or
// "+" after them) that the recogniser read with its usual confusions of a terminal font's glyphs (u or v
// for w, n for r, 1, I or | for the l of a link) reads as the mode: "druxr-xr-x" reads "drwxr-xr-x",
// "lruxrwxrux" "lrwxrwxrwx". Only a word every place of which holds a dash, the letter of that place or
// such a confusion, with at least five dashes or letters as they are.
std::string ReadFileModes(std::string_view text);

// A shell's prompt ("alice@build:~$ ls -l", "[carol@db2 ~]$") as the recogniser reads a terminal font: the
// tilde of the home folder lost or read as an asterisk, a caret or a space ("alice@build:$",
// "alice@build:*$", "alice@build:^/src$", "alice@build: $", "alice@build: /src$", "[carol@db2 ^]$",
// "[carol@db2 ]$") reads as the tilde again, since a prompt names a folder there and never has a space;
// and the command ls read with a one or a capital I for its l ("1s") right after a prompt reads "ls".
std::string ReadShellPrompts(std::string_view text);

// The folders at the root of a Unix file system ("/srv", "/var", "/tmp", "/media") as the recogniser
// reads a terminal font: a v read as y, an r as n, an m as w, or the last letter lost ("/sry", "/van",
// "/wedia", "/tm"). A path's first folder that is no such folder but one such confusion away from exactly
// one of them reads as that folder.
std::string ReadRootFolders(std::string_view text);

}  // namespace vesk
