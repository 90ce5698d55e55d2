#include "platform/files.h"

#include "platform/CrashPoint.h"

#include <sodium.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include "text/utf.h"
#else
#include <fcntl.h>
#include <filesystem>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qm::platform {

namespace {

// A temporary name no one can guess and so plant a file under.
std::string privateTempName() {
    unsigned char random[8];
    randombytes_buf(random, sizeof random);
    static const char digits[] = "0123456789abcdef";
    std::string name = kPrivateTempPrefix;
    for (const unsigned char b : random) {
        name += digits[b >> 4];
        name += digits[b & 15];
    }
    return name + ".tmp";
}

bool isPrivateTempName(std::string_view name) {
    const std::string_view prefix = kPrivateTempPrefix;
    if (name.size() != prefix.size() + 16 + 4 || !name.starts_with(prefix) || !name.ends_with(".tmp")) return false;
    return std::all_of(name.begin() + prefix.size(), name.end() - 4,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// How many names a replace tries before it gives up: only a file planted
// under a guessed name, or a broken random source, makes it try twice.
constexpr int kTempNameTries = 8;

uint64_t steadyMs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

}  // namespace

InUseWait::InUseWait(uint64_t budgetMs) : deadline_(steadyMs() + budgetMs) {}

void InUseWait::Run(const std::function<void()>& attempt) {
    for (;;) {
        try {
            attempt();
            return;
        } catch (const FileError& e) {
            const uint64_t now = steadyMs();
            if (e.Fault != FileFault::InUse || now >= deadline_) throw;
            // Often enough to catch the moment the other program lets go.
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint64_t>(100, deadline_ - now)));
        }
    }
}

#ifdef _WIN32
namespace {

std::wstring wide(const std::string& s) {
    const std::u16string u = text::Utf8ToUtf16(s);
    return std::wstring(u.begin(), u.end());
}

std::string lastError(const char* what, const std::string& path) {
    return std::string(what) + " '" + path + "' (Windows error " + std::to_string(GetLastError()) + ")";
}

// A read refused because another program holds the file says so.
FileError readError(const char* what, const std::string& path) {
    const DWORD code = GetLastError();
    const bool inUse = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
    return FileError(lastError(what, path), inUse ? FileFault::InUse : FileFault::Other);
}

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

}  // namespace

bool FileExists(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data) &&
           !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

PathKind KindOf(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::None;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
    return attributes & FILE_ATTRIBUTE_READONLY ? PathKind::ReadOnlyFile : PathKind::File;
}

std::vector<unsigned char> ReadWholeFile(const std::string& path) {
    Handle f{CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) throw readError("cannot open", path);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.h, &size)) throw FileError(lastError("cannot size", path));
    std::vector<unsigned char> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        if (!ReadFile(f.h, bytes.data() + done, want, &got, nullptr) || got == 0) throw readError("cannot read", path);
        done += got;
    }
    return bytes;
}

std::vector<unsigned char> ReadFileStart(const std::string& path, size_t count) {
    Handle f{CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) throw readError("cannot open", path);
    std::vector<unsigned char> bytes(count);
    DWORD got = 0;
    if (!ReadFile(f.h, bytes.data(), static_cast<DWORD>(count), &got, nullptr)) throw readError("cannot read", path);
    bytes.resize(got);
    return bytes;
}

void RemoveFile(const std::string& path) {
    if (DeleteFileW(wide(path).c_str())) return;
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return;
    SetLastError(code);
    throw FileError(lastError("cannot delete", path), code == ERROR_SHARING_VIOLATION ? FileFault::InUse : FileFault::Other);
}

std::string ProgramFolder() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.resize(buf.size() * 2);
    }
    buf.resize(buf.find_last_of(L"\\/") + 1);
    if (buf.size() > 3) buf.pop_back();  // keep "C:\" whole
    return text::Utf16ToUtf8(std::u16string(buf.begin(), buf.end()));
}

std::string ProgramFileName() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.resize(buf.size() * 2);
    }
    buf.erase(0, buf.find_last_of(L"\\/") + 1);
    return text::Utf16ToUtf8(std::u16string(buf.begin(), buf.end()));
}

bool SameFile(const std::string& a, const std::string& b) {
    // The file itself, by its volume and index: asking for no access reads
    // them even of a file another program (or this one) holds exclusively.
    const auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        Handle f{CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
        return f.h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(f.h, &info);
    };
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (identify(a, ia) && identify(b, ib))
        return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
               ia.nFileIndexLow == ib.nFileIndexLow;
    const auto full = [](const std::string& path) {
        const std::wstring w = wide(path);
        std::wstring out(GetFullPathNameW(w.c_str(), 0, nullptr, nullptr) + 1, L'\0');
        out.resize(GetFullPathNameW(w.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr));
        return out;
    };
    const std::wstring fa = full(a), fb = full(b);
    return CompareStringOrdinal(fa.c_str(), static_cast<int>(fa.size()), fb.c_str(), static_cast<int>(fb.size()), TRUE) ==
           CSTR_EQUAL;
}

namespace {

// The folder part of a path, with its separator ("" for a bare name).
std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Writes and flushes all of `bytes` into the open temporary file; on a
// failure the file is closed and removed.
void writeOut(Handle& f, const std::wstring& temp, const std::string& shown, const unsigned char* data, size_t size) {
    size_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        DWORD put = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
        ok = WriteFile(f.h, data + done, want, &put, nullptr) && put == want;
        done += put;
    }
    if (!ok || !FlushFileBuffers(f.h)) {
        const std::string message = lastError("cannot write", shown);
        CloseHandle(f.h);
        f.h = INVALID_HANDLE_VALUE;
        DeleteFileW(temp.c_str());
        throw FileError(message);
    }
    CloseHandle(f.h);
    f.h = INVALID_HANDLE_VALUE;
}

void renameOver(const std::wstring& temp, const std::string& path) {
    QM_CRASH_POINT("replace.written");
    if (!MoveFileExW(temp.c_str(), wide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        const std::string message = lastError("cannot replace", path);
        // A file open in another program without leave to delete it refuses
        // with "access denied" too; a read-only one is refused before.
        const bool inUse = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
                           (code == ERROR_ACCESS_DENIED && KindOf(path) == PathKind::File);
        DeleteFileW(temp.c_str());
        throw FileError(message, inUse ? FileFault::InUse : FileFault::Other);
    }
    QM_CRASH_POINT("replace.renamed");
}

// A temporary file that another run is still writing is held with no
// sharing, and its delete fails: it is left alone.
void removeStalePrivateTemps(const std::string& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(wide(folder + kPrivateTempPrefix + "*.tmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = text::Utf16ToUtf8(reinterpret_cast<const char16_t*>(found.cFileName));
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && isPrivateTempName(name))
            DeleteFileW(wide(folder + name).c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    // No access asked: read even of a file another program holds.
    Handle f{CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    BY_HANDLE_FILE_INFORMATION info;
    if (f.h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(f.h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    FileStamp stamp;
    stamp.Written = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                         info.ftLastWriteTime.dwLowDateTime);
    stamp.Size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    stamp.Id = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return stamp;
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(wide(pattern + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) throw readError("cannot list", folder);
    std::vector<std::string> names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(text::Utf16ToUtf8(reinterpret_cast<const char16_t*>(found.cFileName)));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

void RenameFile(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING a file under the new name stays.
    if (!MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) throw readError("cannot rename", from);
}

void ReplaceFileContents(const std::string& path, const std::vector<unsigned char>& bytes) {
    const std::wstring temp = wide(path) + L".qmtmp";
    Handle f{CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) throw FileError(lastError("cannot create", path + ".qmtmp"));
    writeOut(f, temp, path + ".qmtmp", bytes.data(), bytes.size());
    renameOver(temp, path);
}

void ReplaceFilePrivately(const std::string& path, std::string_view bytes) {
    const std::string folder = folderOf(path);
    removeStalePrivateTemps(folder);
    std::string shown;
    std::wstring temp;
    Handle f{INVALID_HANDLE_VALUE};
    for (int tries = 1; f.h == INVALID_HANDLE_VALUE; ++tries) {
        shown = folder + privateTempName();
        temp = wide(shown);
        // CREATE_NEW fails on anything already there, a link included.
        f.h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD code = GetLastError();
        if (f.h == INVALID_HANDLE_VALUE &&
            ((code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) || tries == kTempNameTries))
            throw FileError(lastError("cannot create", shown));
    }
    writeOut(f, temp, shown, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    renameOver(temp, path);
}

#else

namespace {

std::string lastError(const char* what, const std::string& path) {
    return std::string(what) + " '" + path + "' (" + std::strerror(errno) + ")";
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// Opens for reading. A file held by an ExclusiveFile is refused, as Windows
// refuses it to every other open.
int openForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError(lastError("cannot open", path));
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        const bool inUse = errno == EWOULDBLOCK;
        const std::string message = lastError("cannot open", path);
        ::close(fd);
        throw FileError(message, inUse ? FileFault::InUse : FileFault::Other);
    }
    return fd;
}

}  // namespace

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

PathKind KindOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return PathKind::None;
    if (S_ISDIR(st.st_mode)) return PathKind::Folder;
    // The owner's write bit, as Windows keeps its read-only mark: the
    // administrator may write anyway, and so may the tests.
    return st.st_mode & S_IWUSR ? PathKind::File : PathKind::ReadOnlyFile;
}

std::vector<unsigned char> ReadWholeFile(const std::string& path) {
    Fd f{openForReading(path)};
    struct stat st;
    if (::fstat(f.fd, &st) != 0) throw FileError(lastError("cannot open", path));
    std::vector<unsigned char> bytes(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(f.fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw FileError(lastError("cannot read", path));
        done += static_cast<size_t>(got);
    }
    return bytes;
}

std::vector<unsigned char> ReadFileStart(const std::string& path, size_t count) {
    Fd f{openForReading(path)};
    std::vector<unsigned char> bytes(count);
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(f.fd, bytes.data() + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FileError(lastError("cannot read", path));
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

void RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return;
    throw FileError(lastError("cannot delete", path));
}

std::string ProgramFolder() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ProgramFileName() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    const std::string path(buf, static_cast<size_t>(n));
    return path.substr(path.find_last_of('/') + 1);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    const auto full = [](const std::string& path) {
        std::error_code error;
        return std::filesystem::absolute(path, error).lexically_normal();
    };
    return full(a) == full(b);
}

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Writes and syncs all of `bytes`; on a failure the file is removed.
void writeOut(int fd, const std::string& temp, const unsigned char* data, size_t size) {
    size_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        const ssize_t put = ::write(fd, data + done, size - done);
        if (put < 0 && errno == EINTR) continue;
        ok = put > 0;
        if (ok) done += static_cast<size_t>(put);
    }
    if (!ok || ::fsync(fd) != 0) {
        const std::string message = lastError("cannot write", temp);
        ::unlink(temp.c_str());
        throw FileError(message);
    }
}

void renameOver(const std::string& temp, const std::string& path) {
    QM_CRASH_POINT("replace.written");
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string message = lastError("cannot replace", path);
        ::unlink(temp.c_str());
        throw FileError(message);
    }
    QM_CRASH_POINT("replace.renamed");
    // The rename itself must reach the disk too.
    const std::string folder = folderOf(path);
    Fd dir{::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY)};
    if (dir.fd >= 0) ::fsync(dir.fd);
}

// A temporary file that another run is still writing is locked: it is left
// alone. A link under such a name is taken away, never followed.
void removeStalePrivateTemps(const std::string& folder) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!isPrivateTempName(name)) continue;
        const std::string path = folder + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) continue;
        if (S_ISREG(st.st_mode)) {
            Fd f{::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
            if (f.fd < 0 || ::flock(f.fd, LOCK_EX | LOCK_NB) != 0) continue;
        } else if (!S_ISLNK(st.st_mode)) {
            continue;
        }
        ::unlink(path.c_str());
    }
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileStamp stamp;
    stamp.Written = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.Size = static_cast<uint64_t>(st.st_size);
    stamp.Id = static_cast<uint64_t>(st.st_ino);
    return stamp;
}

std::vector<std::string> FileNamesIn(const std::string& folder) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end;
    if (error) {
        errno = error.value();
        throw FileError(lastError("cannot list", folder));
    }
    std::vector<std::string> names;
    for (; !error && it != end; it.increment(error)) {
        std::error_code kind;
        if (it->is_regular_file(kind)) names.push_back(it->path().filename().string());
    }
    return names;
}

void RenameFile(const std::string& from, const std::string& to) {
    // Held by another program (an ExclusiveFile): refused, as Windows refuses it.
    Fd held{openForReading(from)};
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    if (errno != EINVAL && errno != ENOSYS) throw FileError(lastError("cannot rename", from));
    // A file system without the no-replace rename: a second link fails on a
    // name already taken.
    if (::link(from.c_str(), to.c_str()) != 0) throw FileError(lastError("cannot rename", from));
    ::unlink(from.c_str());
}

void ReplaceFileContents(const std::string& path, const std::vector<unsigned char>& bytes) {
    const std::string temp = path + ".qmtmp";
    {
        Fd f{::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
        if (f.fd < 0) throw FileError(lastError("cannot create", temp));
        writeOut(f.fd, temp, bytes.data(), bytes.size());
    }
    renameOver(temp, path);
}

void ReplaceFilePrivately(const std::string& path, std::string_view bytes) {
    const std::string folder = folderOf(path);
    removeStalePrivateTemps(folder);
    std::string temp;
    Fd f{-1};
    for (int tries = 1; f.fd < 0; ++tries) {
        temp = folder + privateTempName();
        // O_EXCL fails on anything already there, a link included.
        f.fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (f.fd < 0 && (errno != EEXIST || tries == kTempNameTries)) throw FileError(lastError("cannot create", temp));
    }
    // Held until it has its final name, so that another run's clean-up
    // leaves it alone.
    ::flock(f.fd, LOCK_EX);
    writeOut(f.fd, temp, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    // A file another program holds (an ExclusiveFile) is not replaced, as
    // Windows refuses to replace it.
    Fd old{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (old.fd >= 0 && ::flock(old.fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        const std::string message = lastError("cannot replace", path);
        ::unlink(temp.c_str());
        throw FileError(message, FileFault::InUse);
    }
    renameOver(temp, path);
}

#endif

}  // namespace qm::platform
