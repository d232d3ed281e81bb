// What the file layer builds from its own calls, the same on every operating system.
#include "results/file_io.h"

namespace dcload {

FileResult copyFile(const std::string& from, const std::string& to) {
    if (fileIdentity(from).sameFile(fileIdentity(to)))
        return {FileStatus::OtherError, "source and target are the same file"};
    std::string content;
    FileResult r = readWholeFile(from, content);
    if (!r.ok()) return r;
    return writeWholeFile(to, content);
}

} // namespace dcload
