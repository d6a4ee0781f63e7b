// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orbo {

// Opens path for reading when it is a regular file, without waiting on a
// FIFO or device (they are refused at once, as are folders). The
// descriptor (close-on-exec, blocking reads) or -1 with errno set.
int OpenRegularFile(const std::filesystem::path& path);

// Reads the whole file as bytes. False (and *out empty) when it cannot be
// opened or read or is not a regular file (a FIFO or device is refused
// without waiting on it); a file larger than max_bytes is refused.
bool ReadFileBytes(const std::filesystem::path& path, std::string* out,
                   size_t max_bytes = size_t{1} << 30);

// Writes bytes to a temporary file in the target's folder, flushes it and
// renames it over the target, so readers see the old or the new content and
// never a half-written file. An existing target keeps its permission bits.
// A symbolic link is written through: its target gets the new content and
// the link stays.
// False when any step fails; the target is then unchanged.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// Writes length bytes of data to fd from its current position, going on
// after short and interrupted writes. False when a write fails (what was
// written before stays).
bool WriteFdFully(int fd, const void* data, size_t length);

// The file a write of path lands in: path with its symbolic links followed
// (at most 40), or path itself when it is not a link.
std::filesystem::path WriteTarget(const std::filesystem::path& path);

// Creates a temporary file beside path (same folder, so a rename is atomic)
// and returns its descriptor, or -1. *tmp_path receives its name.
int CreateTempBeside(const std::filesystem::path& path, std::filesystem::path* tmp_path);

// Removes the temporary files CreateTempBeside made in dir (".<name>
// .tmp.XXXXXX") that a process which ended abruptly left behind; with a
// target name, only those of that target. Call only while no temporary
// file of them is being written.
void RemoveStaleTempFiles(const std::filesystem::path& dir, std::string_view target_name = {});

// Renames tmp over path after fsync of the file; false on failure (tmp is
// then removed).
bool CommitTempFile(int fd, const std::filesystem::path& tmp, const std::filesystem::path& path);

// The folder of the running executable (/proc/self/exe), or empty.
std::filesystem::path ExecutableDir();

}  // namespace orbo
