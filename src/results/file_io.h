// Everything the core asks of the operating system's file system: whole-file reads, writes and
// appends with the failure kinds the logger tells apart (a missing file or folder, where the
// logger rewrites a default file, and everything else), an atomic replace, file identity and a
// folder listing. One implementation per operating system (file_io_posix.cpp, ...), chosen at
// build time, so no rule of the logger carries an #ifdef.
#pragma once

#include <cstdint>
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
FileResult appendToFile(const std::string& path, const std::string& content);
bool fileExists(const std::string& path);
FileResult makeFolder(const std::string& path); // an existing folder is not an error
FileResult copyFile(const std::string& from, const std::string& to); // replaces the target

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
