// The file layer on Windows: Win32 calls on UTF-16 paths, bytes written exactly as given (no
// text-mode translation), so CR LF and CR CR LF line ends land on disk as they do on Linux.
#include "results/file_io.h"

#include "app/form1.h" // defaultResultsFolder

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstring>

namespace dcload {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kChunk = 1u << 30; // ReadFile and WriteFile take a DWORD length

// Paths are UTF-8 in the core; a name that is not valid UTF-8 names no file.
bool widen(const std::string& in, std::wstring& out) {
    out.clear();
    if (in.empty()) return true;
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), out.data(), n) == n;
}

std::string narrow(const wchar_t* in) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, in, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, in, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

FileResult fromError(DWORD err) {
    FileResult r;
    wchar_t* text = nullptr; // in the user's language, handed on as UTF-8
    const DWORD len = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                       nullptr, err, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    r.reason = len > 0 && text ? narrow(text) : "Windows error " + std::to_string(err);
    if (text) ::LocalFree(text);
    while (!r.reason.empty() && (r.reason.back() == '\n' || r.reason.back() == '\r' || r.reason.back() == '.'))
        r.reason.pop_back();
    switch (err) {
    case ERROR_FILE_NOT_FOUND:
        r.status = FileStatus::FileNotFound;
        break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        r.status = FileStatus::PathNotFound;
        break;
    default:
        r.status = FileStatus::OtherError;
    }
    return r;
}

FileResult lastError() { return fromError(::GetLastError()); }

// Opens path; on failure returns INVALID_HANDLE_VALUE with the error in r.
HANDLE openFile(const std::string& path, DWORD access, DWORD disposition, FileResult& r) {
    std::wstring wide;
    if (!widen(path, wide)) {
        r = fromError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = ::CreateFileW(wide.c_str(), access, kShareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) r = lastError();
    return h;
}

FileResult writeAll(HANDLE h, const char* data, size_t len) {
    while (len > 0) {
        const size_t allowed = detail::writeAllowance(std::min<size_t>(len, kChunk));
        if (allowed == 0) return fromError(ERROR_DISK_FULL);
        DWORD put = 0;
        if (!::WriteFile(h, data, static_cast<DWORD>(allowed), &put, nullptr)) return lastError();
        data += put;
        len -= put;
    }
    return {};
}

// Reads until maxBytes or the end of the file into out, from the handle's current position.
FileResult readAll(HANDLE h, size_t maxBytes, std::string& out) {
    size_t used = 0;
    for (;;) {
        if (used == out.size()) {
            if (used >= maxBytes) break;
            out.resize(std::min(maxBytes, std::max<size_t>(out.size() * 2, 65536)));
        }
        DWORD got = 0;
        if (!::ReadFile(h, out.data() + used, static_cast<DWORD>(std::min<size_t>(out.size() - used, kChunk)), &got, nullptr)) {
            out.clear();
            return lastError();
        }
        if (got == 0) break;
        used += got;
    }
    out.resize(used);
    return {};
}

FileResult writeWith(const std::string& path, const std::string& content, DWORD access, DWORD disposition) {
    FileResult r;
    HANDLE h = openFile(path, access, disposition, r);
    if (h == INVALID_HANDLE_VALUE) return r;
    r = writeAll(h, content.data(), content.size());
    if (!::CloseHandle(h) && r.ok()) r = lastError();
    return r;
}

DWORD attributes(const std::string& path) {
    std::wstring wide;
    return widen(path, wide) ? ::GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

std::string defaultResultsFolder() { return "C:/Results"; }

FileResult readWholeFile(const std::string& path, std::string& out) {
    FileResult r;
    HANDLE h = openFile(path, GENERIC_READ, OPEN_EXISTING, r);
    if (h == INVALID_HANDLE_VALUE) {
        out.clear();
        return r;
    }
    // Sized to the file at once; the string keeps its capacity from the last read of a similar file.
    LARGE_INTEGER size{};
    out.resize(::GetFileSizeEx(h, &size) && size.QuadPart > 0 ? static_cast<size_t>(size.QuadPart) + 1 : 65536);
    r = readAll(h, SIZE_MAX, out);
    ::CloseHandle(h);
    return r;
}

FileResult writeWholeFile(const std::string& path, const std::string& content) {
    return writeWith(path, content, GENERIC_WRITE, CREATE_ALWAYS);
}

FileResult appendToFile(const std::string& path, const std::string& content) {
    // FILE_APPEND_DATA alone: every write lands at the end, as with O_APPEND.
    FileResult r;
    HANDLE h = openFile(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, OPEN_ALWAYS, r);
    if (h == INVALID_HANDLE_VALUE) return r;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h, &size)) {
        r = lastError();
        ::CloseHandle(h);
        return r;
    }
    r = writeAll(h, content.data(), content.size());
    if (!::CloseHandle(h) && r.ok()) r = lastError();
    if (!r.ok()) {
        // The line goes in whole or not at all: cutting needs write access, so a handle of its own.
        FileResult ignored;
        HANDLE cut = openFile(path, GENERIC_WRITE, OPEN_EXISTING, ignored);
        if (cut != INVALID_HANDLE_VALUE) {
            if (::SetFilePointerEx(cut, size, nullptr, FILE_BEGIN)) ::SetEndOfFile(cut);
            ::CloseHandle(cut);
        }
    }
    return r;
}

PathKind pathKind(const std::string& path) {
    const DWORD a = attributes(path);
    if (a == INVALID_FILE_ATTRIBUTES) return PathKind::None;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
    return a & FILE_ATTRIBUTE_DEVICE ? PathKind::Other : PathKind::Regular;
}

FileResult moveFile(const std::string& from, const std::string& to) {
    std::wstring wideFrom, wideTo;
    if (!widen(from, wideFrom) || !widen(to, wideTo)) return fromError(ERROR_INVALID_NAME);
    if (!::MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastError();
    return {};
}

void removeFile(const std::string& path) {
    std::wstring wide;
    if (widen(path, wide)) ::DeleteFileW(wide.c_str());
}

bool fileExists(const std::string& path) {
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

FileResult makeFolder(const std::string& path) {
    std::wstring wide;
    if (!widen(path, wide)) return fromError(ERROR_INVALID_NAME);
    if (::CreateDirectoryW(wide.c_str(), nullptr)) return {};
    DWORD err = ::GetLastError();
    const DWORD a = attributes(path);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) return {}; // also a drive root
    if (err == ERROR_PATH_NOT_FOUND) { // make the parents first
        const std::string parent = parentOf(path);
        if (!parent.empty() && makeFolder(parent).ok() && ::CreateDirectoryW(wide.c_str(), nullptr)) return {};
        err = ::GetLastError();
    }
    return fromError(err);
}

FileResult replaceFile(const std::string& path, const std::string& content) {
    const std::string temp = path + ".new";
    std::wstring wideTemp, widePath;
    if (!widen(temp, wideTemp) || !widen(path, widePath)) return fromError(ERROR_INVALID_NAME);
    FileResult r;
    HANDLE h = openFile(temp, GENERIC_WRITE, CREATE_ALWAYS, r);
    if (h == INVALID_HANDLE_VALUE) return r;
    r = writeAll(h, content.data(), content.size());
    if (r.ok() && !::FlushFileBuffers(h)) r = lastError();
    if (!::CloseHandle(h) && r.ok()) r = lastError();
    // WRITE_THROUGH: the call returns only when the rename is on the disk.
    if (r.ok() && !::MoveFileExW(wideTemp.c_str(), widePath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        r = lastError();
    if (!r.ok()) ::DeleteFileW(wideTemp.c_str());
    return r;
}

std::vector<std::string> listFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::wstring pattern;
    if (!widen(folder + "/*", pattern)) return names;
    WIN32_FIND_DATAW entry;
    HANDLE h = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(narrow(entry.cFileName));
    } while (::FindNextFileW(h, &entry));
    ::FindClose(h);
    return names;
}

FileIdentity fileIdentity(const std::string& path) {
    FileIdentity id;
    FileResult r;
    // No access asked: only the file's information is read, so a file open elsewhere still answers.
    HANDLE h = openFile(path, 0, OPEN_EXISTING, r);
    if (h == INVALID_HANDLE_VALUE) return id;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        id.valid = true;
        id.device = info.dwVolumeSerialNumber;
        id.file = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        id.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    }
    ::CloseHandle(h);
    return id;
}

FileResult readFileRange(const std::string& path, std::uint64_t offset, std::size_t maxBytes, std::string& out) {
    out.clear();
    FileResult r;
    HANDLE h = openFile(path, GENERIC_READ, OPEN_EXISTING, r);
    if (h == INVALID_HANDLE_VALUE) return r;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(std::min<std::uint64_t>(offset, INT64_MAX));
    if (!::SetFilePointerEx(h, at, nullptr, FILE_BEGIN)) r = lastError();
    else r = readAll(h, maxBytes, out);
    ::CloseHandle(h);
    return r;
}

} // namespace dcload
