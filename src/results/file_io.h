// Everything the core asks of the operating system's file system: whole-file reads, writes and
// appends with the failure kinds the logger tells apart (a missing file or folder, where the
// logger rewrites a default file, and everything else), an atomic replace, file identity and a
// folder listing. One implementation per operating system (file_io_posix.cpp, ...), chosen at
// build time, so no rule of the logger carries an #ifdef.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dcload {

enum class FileStatus { Ok, FileNotFound, PathNotFound, OtherError };

struct FileResult {
    FileStatus status = FileStatus::Ok;
    std::string reason; // the system's description when not Ok
    bool ok() const { return status == FileStatus::Ok; }
    bool missing() const { return status == FileStatus::FileNotFound || status == FileStatus::PathNotFound; }
};

FileResult readWholeFile(const std::string& path, std::string& out);
FileResult writeWholeFile(const std::string& path, const std::string& content);
// A failed append leaves the file as it was: what part of the line got in is cut off again, so
// a full disk never leaves half a line for the next one to be glued to.
FileResult appendToFile(const std::string& path, const std::string& content);
bool fileExists(const std::string& path);
FileResult makeFolder(const std::string& path); // an existing folder is not an error

enum class PathKind { None, Regular, Folder, Other }; // Other: a pipe, a device, ...
PathKind pathKind(const std::string& path);

// Copies a regular file a piece at a time into a temporary file beside the target, then renames
// it over the target, so a failure leaves the target as it was. Refuses what is not a regular
// file (a pipe would block for ever). `progress` is told the bytes done and the total after
// every piece.
using CopyProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
FileResult copyFile(const std::string& from, const std::string& to, const CopyProgress& progress = {});
FileResult moveFile(const std::string& from, const std::string& to); // replaces the target
void removeFile(const std::string& path);

// A fault for tests: after `bytes` more bytes every write to a file fails as on a full disk
// (the write that crosses the mark puts in only what fits). Negative lifts it.
void simulateFullDiskAfter(std::int64_t bytes);
namespace detail {
std::size_t writeAllowance(std::size_t wanted); // 0: the disk is "full"
}

// Writes a temporary file in the same folder, flushes it to disk and renames it over path, so a
// power cut leaves either the old or the new content, never an empty or half-written file.
FileResult replaceFile(const std::string& path, const std::string& content);

// Names of the regular files in a folder, unsorted; empty when it cannot be read.
std::vector<std::string> listFolder(const std::string& folder);

// Which file a path names now, and how long it is: two paths (or one path at two moments) with
// equal device and file numbers are the same file.
struct FileIdentity {
    bool valid = false; // false when the path names no regular file
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    bool sameFile(const FileIdentity& o) const { return valid && o.valid && device == o.device && file == o.file; }
};
FileIdentity fileIdentity(const std::string& path);

// Reads at most maxBytes from offset on into out (replacing its content).
FileResult readFileRange(const std::string& path, std::uint64_t offset, std::size_t maxBytes, std::string& out);

} // namespace dcload
