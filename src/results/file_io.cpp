// What the file layer builds from its own calls, the same on every operating system.
#include "results/file_io.h"

#include <algorithm>
#include <atomic>

namespace dcload {

namespace {
std::atomic<std::int64_t> fullDiskAfter{-1};
constexpr std::size_t kCopyPiece = 1u << 20;
} // namespace

void simulateFullDiskAfter(std::int64_t bytes) { fullDiskAfter = bytes; }

std::size_t detail::writeAllowance(std::size_t wanted) {
    std::int64_t left = fullDiskAfter.load();
    if (left < 0) return wanted;
    const std::size_t granted = std::min<std::size_t>(wanted, static_cast<std::size_t>(left));
    fullDiskAfter = left - static_cast<std::int64_t>(granted);
    return granted;
}

FileResult copyFile(const std::string& from, const std::string& to, const CopyProgress& progress) {
    const PathKind source = pathKind(from), target = pathKind(to);
    std::string piece;
    if (source == PathKind::None) return readFileRange(from, 0, 0, piece); // the system's "not found"
    if (source != PathKind::Regular) return {FileStatus::OtherError, "not a regular file"};
    if (target != PathKind::None && target != PathKind::Regular)
        return {FileStatus::OtherError, "the target is not a regular file"};
    if (fileIdentity(from).sameFile(fileIdentity(to)))
        return {FileStatus::OtherError, "source and target are the same file"};
    const std::uint64_t total = fileIdentity(from).size;
    const std::string temp = to + ".copy";
    FileResult r = writeWholeFile(temp, {});
    for (std::uint64_t done = 0; r.ok();) {
        r = readFileRange(from, done, kCopyPiece, piece);
        if (!r.ok() || piece.empty()) break;
        r = appendToFile(temp, piece);
        done += piece.size();
        if (r.ok() && progress) progress(done, std::max(total, done));
    }
    if (r.ok()) r = moveFile(temp, to);
    if (!r.ok()) removeFile(temp);
    return r;
}

} // namespace dcload
