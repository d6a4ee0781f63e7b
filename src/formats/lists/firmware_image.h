// The shipped firmware component images ("update/<ImgName>"): the plain
// image XOR-ed, in blocks of 1024 bytes, with an RC4 keystream of the image
// key that restarts at every block. The same operation encrypts and
// decrypts.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orbo {

inline constexpr std::string_view kImageKey = "5203918867";

// Streams in through the image cipher into the open descriptor out_fd
// (written from its current position; not closed). 0; -1 in cannot be
// opened or is not a regular file; -2 a read of in failed; -3 a write to
// out_fd failed.
int CryptImageToFd(const std::filesystem::path& in, int out_fd);

// CryptImageToFd into a new file that replaces out atomically (out is left
// as it was on failure). Results as CryptImageToFd; -3 also when out cannot
// be created or committed.
int CryptImageFile(const std::filesystem::path& in, const std::filesystem::path& out);

// What a failed CryptImageFile (result: its negative code) tells the user:
// "cannot open IN" (-1), "cannot read IN" (-2), else "cannot write OUT".
std::string CryptImageFileError(int result, const std::filesystem::path& in,
                                const std::filesystem::path& out);

}  // namespace orbo
