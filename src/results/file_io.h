// Whole-file reads, writes and appends with the failure kinds the logger tells apart: a missing
// file or folder (the logger rewrites a default file then) and everything else.
#pragma once

#include <string>

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

} // namespace dcload
