// Decoded bodies written through a temporary file beside the destination and
// moved into place when whole.
#include "save/body_save_win.h"

#include <cwchar>
#include <string>

#include "save/long_path_win.h"
#include "text/wide_text_win.h"

const BodyFileOps realBodyFileOps = {CreateFileW, WriteFile, CloseHandle, MoveFileExW, DeleteFileW};
BodyFileOps bodyFileOps = realBodyFileOps;

namespace {

// Names tried before giving up on a folder full of our leftovers.
constexpr int kTemporaryNameTries = 100;

class FileSink : public BodySink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}
    bool Write(const unsigned char* bytes, size_t size) override {
        while (size > 0) {
            const DWORD part = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!bodyFileOps.writeFile(file_, bytes, part, &written, nullptr) || written != part) return false;
            bytes += part;
            size -= part;
        }
        return true;
    }

private:
    HANDLE file_;
};

// A new file "<destination>.<process>-<n>.tmp", created for writing only by
// this process; its name in temporary. INVALID_HANDLE_VALUE when none can be made.
HANDLE CreateTemporaryBeside(const std::wstring& destination, std::wstring& temporary) {
    static unsigned counter = 0;
    for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
        wchar_t suffix[40] = {};
        swprintf(suffix, sizeof suffix / sizeof suffix[0], L".%lx-%x.tmp", GetCurrentProcessId(), counter++);
        temporary = PathWithSuffix(destination, suffix);
        if (temporary.empty()) return INVALID_HANDLE_VALUE;
        HANDLE file = bodyFileOps.createFile(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool WriteDecodedBody(BodyReader& reader, std::string_view contentEncoding, const char* destination) {
    if (!IsDecodableEncoding(contentEncoding)) return false;
    const std::wstring target = WideFromAnsi(destination);
    if (target.empty()) return false;
    std::wstring temporary;
    HANDLE file = CreateTemporaryBeside(target, temporary);
    if (file == INVALID_HANDLE_VALUE) return false;

    FileSink sink(file);
    const DecodeStatus status = DecodeBody(reader, contentEncoding, sink);
    // A write the system still holds may fail only at the close.
    const bool closed = bodyFileOps.closeHandle(file) != FALSE;
    // The same folder: a rename, never a copy, so the destination is either
    // the old file or the whole new one.
    if (status == DecodeStatus::kOk && closed &&
        bodyFileOps.moveFileEx(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    bodyFileOps.deleteFile(temporary.c_str());
    return false;
}
