#include "integrity/digest.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::ScopedTempDir;
using test::WriteFile;

TEST(Md5HexTest, KnownVectors) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  // Bytes after a NUL still count.
  EXPECT_EQ(Md5Hex(std::string_view("a\0b", 3)), "70350f6027bce3713f6b76473084309b");
}

TEST(Sha256FileHexTest, KnownVectors) {
  ScopedTempDir dir;
  WriteFile(dir.path() / "empty", "");
  WriteFile(dir.path() / "abc", "abc");
  EXPECT_EQ(Sha256FileHex(FromUtf8((dir.path() / "empty").string())),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256FileHex(FromUtf8((dir.path() / "abc").string())),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

// Sizes on both sides of the read piece: one full piece then an empty read, and a one-byte tail.
TEST(Sha256FileHexTest, FilesAroundThePieceSize) {
  ScopedTempDir dir;
  WriteFile(dir.path() / "a65536", std::string(65536, 'a'));
  WriteFile(dir.path() / "a65537", std::string(65537, 'a'));
  EXPECT_EQ(Sha256FileHex(FromUtf8((dir.path() / "a65536").string())),
            "bf718b6f653bebc184e1479f1935b8da974d701b893afcf49e701f3e2f9f9c5a");
  EXPECT_EQ(Sha256FileHex(FromUtf8((dir.path() / "a65537").string())),
            "008ffc88d3c96a9f307524eb361e47c5222a887fc45fa0c1fb8d429c5c23b430");
}

TEST(Sha256FileHexTest, UnreadablePathsGiveEmptyText) {
  ScopedTempDir dir;
  EXPECT_EQ(Sha256FileHex(FromUtf8((dir.path() / "missing.onnx").string())), "");
  // A folder opens as a stream on some systems but cannot be read; it must not hash as empty input.
  EXPECT_EQ(Sha256FileHex(dir.u16()), "");
}

}  // namespace
}  // namespace vesk
