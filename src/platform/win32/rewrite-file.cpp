// Win32 backend: PlatRewriteFile. The lock is a byte-range lock on
// "<file>.lock"; the new file is made by GetTempFileName in the same folder
// (CREATE_NEW, so no existing name or link is opened) and replaces the old
// one by a write-through move.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/wide.h"

#include <string>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>

namespace {

class FileLock {
  public:
    explicit FileLock(const char* path) {
        const std::wstring name = WidenPath((std::string(path) + ".lock").c_str());
        handle_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            return;
        OVERLAPPED whole = {};
        if (!LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }
    ~FileLock() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_); // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// 1 and the content in a malloc block (NULL when there is no file), 0 when
// the file exists but cannot be read or is not a plain file.
int ReadWhole(const char* path, char** content, uint32_t* length) {
    *content = nullptr;
    *length = 0;
    DWORD attributes = GetFileAttributesW(WidenPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    HANDLE file = CreateFileW(WidenPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size;
    int read = 0;
    if (GetFileSizeEx(file, &size) && size.QuadPart < 0x7FFFFFFF) {
        *length = (uint32_t)size.QuadPart;
        *content = (char*)std::malloc(*length + 1);
        DWORD done = 0;
        read = *content && (*length == 0 || (ReadFile(file, *content, *length, &done, nullptr) &&
                                             done == *length));
    }
    CloseHandle(file);
    if (!read) {
        std::free(*content);
        *content = nullptr;
    }
    return read;
}

int WriteNew(const char* path, const char* content, uint32_t length, PlatFileEditor edit,
             void* context) {
    std::string folder(path);
    const size_t slash = folder.rfind('\\');
    folder = slash != std::string::npos ? folder.substr(0, slash + 1) : ".";
    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(WidenPath(folder.c_str()).c_str(), L"new", 0, temporary))
        return 0;
    int written = 0;
    HANDLE handle = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        int descriptor = _open_osfhandle((intptr_t)handle, _O_BINARY);
        FILE* out = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
        if (out) {
            written = edit(content, length, out, context);
            written = fflush(out) == 0 && FlushFileBuffers(handle) && written;
            written = fclose(out) == 0 && written;
        } else if (descriptor >= 0) {
            _close(descriptor);
        } else {
            CloseHandle(handle);
        }
    }
    written = written && MoveFileExW(temporary, WidenPath(path).c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!written) {
        DWORD error = GetLastError();
        DeleteFileW(temporary);
        SetLastError(error);
    }
    return written;
}

} // namespace

int PlatRewriteFile(const char* path, PlatFileEditor edit, void* context) {
    FileLock lock(path);
    if (!lock.held())
        return 0;
    char* content = nullptr;
    uint32_t length = 0;
    if (!ReadWhole(path, &content, &length))
        return 0;
    int written = WriteNew(path, content, length, edit, context);
    std::free(content);
    return written;
}
