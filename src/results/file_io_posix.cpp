#include "results/file_io.h"

#include "app/form1.h" // defaultResultsFolder

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dcload {

namespace {

FileResult fromErrno(const std::string& path, int err) {
    FileResult r;
    r.reason = std::strerror(err);
    if (err == ENOENT || err == ENOTDIR) {
        std::string parent = path.substr(0, path.find_last_of('/'));
        struct stat st{};
        bool parentThere = !parent.empty() && ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        r.status = (err == ENOENT && parentThere) ? FileStatus::FileNotFound : FileStatus::PathNotFound;
    } else {
        r.status = FileStatus::OtherError;
    }
    return r;
}

FileResult writeAll(int fd, const std::string& path, const char* data, size_t len) {
    while (len > 0) {
        const size_t allowed = detail::writeAllowance(len);
        if (allowed == 0) return fromErrno(path, ENOSPC);
        ssize_t w = ::write(fd, data, allowed);
        if (w < 0) {
            if (errno == EINTR) continue;
            FileResult r = fromErrno(path, errno);
            return r;
        }
        data += w;
        len -= static_cast<size_t>(w);
    }
    return {};
}

// Reads from offset on into out, growing it as it fills, up to limit bytes or the end of the
// file; closes fd. out keeps what was read (nothing after a failure).
FileResult readFrom(int fd, const std::string& path, std::uint64_t offset, size_t limit, std::string& out) {
    size_t used = 0;
    for (;;) {
        if (used == out.size()) {
            if (used >= limit) break;
            out.resize(std::min(limit, std::max<size_t>(used * 2, 65536)));
        }
        ssize_t n = ::pread(fd, out.data() + used, out.size() - used, static_cast<off_t>(offset + used));
        if (n < 0) {
            if (errno == EINTR) continue;
            FileResult r = fromErrno(path, errno);
            ::close(fd);
            out.clear();
            return r;
        }
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    out.resize(used);
    ::close(fd);
    return {};
}

FileResult writeWith(const std::string& path, const std::string& content, int flags) {
    int fd = ::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return fromErrno(path, errno);
    FileResult r = writeAll(fd, path, content.data(), content.size());
    if (::close(fd) != 0 && r.ok()) r = fromErrno(path, errno);
    return r;
}

} // namespace

std::string defaultResultsFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        if (const passwd* pw = ::getpwuid(::getuid())) home = pw->pw_dir;
    return std::string(home && *home ? home : ".") + "/Results";
}

FileResult readWholeFile(const std::string& path, std::string& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        out.clear();
        return fromErrno(path, errno);
    }
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        out.clear();
        return {FileStatus::OtherError, "Is a directory"};
    }
    // Read straight into the string: one copy from the kernel, none of our own.
    // The string keeps its size from the last read of a similar file, so resizing it to this
    // file's size touches (zero-fills) only the difference.
    out.resize(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 65536);
    return readFrom(fd, path, 0, SIZE_MAX, out);
}

FileResult writeWholeFile(const std::string& path, const std::string& content) {
    return writeWith(path, content, O_TRUNC);
}

FileResult appendToFile(const std::string& path, const std::string& content) {
    int fd = ::open(path.c_str(), O_APPEND | O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return fromErrno(path, errno);
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        FileResult r = fromErrno(path, errno);
        ::close(fd);
        return r;
    }
    FileResult r = writeAll(fd, path, content.data(), content.size());
    if (!r.ok()) (void)::ftruncate(fd, st.st_size); // the line goes in whole or not at all
    const bool closed = ::close(fd) == 0;
    if (!closed && r.ok()) r = fromErrno(path, errno);
    return r;
}

PathKind pathKind(const std::string& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return PathKind::None;
    return S_ISREG(st.st_mode) ? PathKind::Regular : S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Other;
}

FileResult moveFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return fromErrno(to, errno);
    return {};
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

bool fileExists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FileResult makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0) return {};
    int err = errno;
    struct stat st{};
    if (err == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
    if (err == ENOENT) { // make the parents first, like a technician would expect of ~/Results
        std::string parent = path.substr(0, path.find_last_of('/'));
        if (!parent.empty() && parent != path && makeFolder(parent).ok() && ::mkdir(path.c_str(), 0755) == 0)
            return {};
        err = errno;
    }
    return fromErrno(path, err);
}

FileResult replaceFile(const std::string& path, const std::string& content) {
    const std::string temp = path + ".new";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return fromErrno(temp, errno);
    FileResult r = writeAll(fd, temp, content.data(), content.size());
    if (r.ok() && ::fsync(fd) != 0) r = fromErrno(temp, errno);
    if (::close(fd) != 0 && r.ok()) r = fromErrno(temp, errno);
    if (r.ok() && ::rename(temp.c_str(), path.c_str()) != 0) r = fromErrno(path, errno);
    if (!r.ok()) {
        ::unlink(temp.c_str());
        return r;
    }
    // The rename itself reaches the disk with the folder.
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash > 0 ? slash : 1);
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return {};
}

std::vector<std::string> listFolder(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != ".." && fileExists(folder + "/" + name)) names.push_back(std::move(name));
        }
        ::closedir(d);
    }
    return names;
}

FileIdentity fileIdentity(const std::string& path) {
    struct stat st{};
    FileIdentity id;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return id;
    id.valid = true;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.file = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    return id;
}

FileResult readFileRange(const std::string& path, std::uint64_t offset, std::size_t maxBytes, std::string& out) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fromErrno(path, errno);
    out.resize(maxBytes);
    return readFrom(fd, path, offset, maxBytes, out);
}

} // namespace dcload
