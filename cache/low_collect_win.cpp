// The low-integrity collector: the parent's start, bounded read and checks,
// and the child's role.
#include "cache/low_collect.h"

#include <shellapi.h>
#include <shlobj.h>
#include <knownfolders.h>
#include <wininet.h>

#include <cwchar>
#include <string>
#include <unordered_set>
#include <vector>

#include "cache/address.h"
#include "cache/collect.h"
#include "cache/local_file_win.h"
#include "cache/low_record.h"
#include "chromium/browser_caches_win.h"
#include "text/wide_text_win.h"

namespace {

// The largest cache the benchmarks fill (60,794 rows) collects in 40.1 s
// under Wine on a shared machine, the child's walk being the same work;
// Windows walks it in a few seconds. Three times the slowest figure.
constexpr DWORD kTimeLimitMs = 120 * 1000;

// How long the parent waits for the child at once while the pipe is empty.
constexpr DWORD kPollMs = 5;

// The pipe's buffer: the child writes while the parent walks its own cache.
constexpr DWORD kPipeBuffer = 4 * 1024 * 1024;

// What the parent takes from one collector at most: far more than any cache
// holds (the full Wine cache is 12 MB in 60,794 records), little enough that
// a collector writing without end cannot exhaust a 32-bit program's memory.
constexpr ULONGLONG kMostBytes = 256ull * 1024 * 1024;
constexpr size_t kMostRecords = 1000000;

// The longest prefix the dialog hands over (its 2048-byte address buffer).
constexpr size_t kLongestPrefix = 2047;

// The last subauthority of the token's integrity label (SECURITY_MANDATORY_*_RID);
// 0 when the token has none.
DWORD IntegrityRid(HANDLE token) {
    alignas(TOKEN_MANDATORY_LABEL) BYTE buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
    DWORD needed = 0;
    if (!GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &needed)) return 0;
    PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    if (sid == nullptr || !IsValidSid(sid) || *GetSidSubAuthorityCount(sid) == 0) return 0;
    return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1);
}

// Medium, high or system. Before Vista the token has no integrity level:
// the query fails and nothing starts.
bool RealRunsAboveLow() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const DWORD rid = IntegrityRid(token);
    CloseHandle(token);
    return rid >= SECURITY_MANDATORY_MEDIUM_RID;
}

// A primary token like this process's own, labelled low (S-1-16-4096): the
// documented way for a medium process to start one at low integrity.
HANDLE LowToken() {
    HANDLE own = nullptr;
    const DWORD access = TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY;
    if (!OpenProcessToken(GetCurrentProcess(), access, &own)) return nullptr;
    HANDLE low = nullptr;
    const BOOL duplicated = DuplicateTokenEx(own, access, nullptr, SecurityImpersonation, TokenPrimary, &low);
    CloseHandle(own);
    if (!duplicated) return nullptr;

    SID_IDENTIFIER_AUTHORITY authority = SECURITY_MANDATORY_LABEL_AUTHORITY;
    alignas(SID) BYTE sidBytes[SECURITY_MAX_SID_SIZE];
    PSID sid = sidBytes;
    if (!InitializeSid(sid, &authority, 1)) {
        CloseHandle(low);
        return nullptr;
    }
    *GetSidSubAuthority(sid, 0) = SECURITY_MANDATORY_LOW_RID;
    TOKEN_MANDATORY_LABEL label{};
    label.Label.Sid = sid;
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    if (!SetTokenInformation(low, TokenIntegrityLevel, &label, sizeof label + GetLengthSid(sid))) {
        CloseHandle(low);
        return nullptr;
    }
    return low;
}

// CreateProcessAsUserW with the low token, suspended. The write end is the
// child's standard output and, where the platform takes a handle list, the
// only handle it inherits (the other inheritable handles of this process
// stay here). No busy cursor: the child shows no window.
bool RealStart(const std::wstring& program, std::wstring& commandLine, HANDLE writeEnd, PROCESS_INFORMATION& info) {
    HANDLE token = LowToken();
    if (token == nullptr) return false;

    STARTUPINFOEXW startup{};
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_FORCEOFFFEEDBACK;
    startup.StartupInfo.hStdOutput = writeEnd;
    DWORD flags = CREATE_SUSPENDED;

    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::vector<BYTE> list(listSize);
    HANDLE inherited[] = {writeEnd};
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
    const bool listed = listSize != 0 && InitializeProcThreadAttributeList(attributes, 1, 0, &listSize);
    if (listed && UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                            sizeof inherited, nullptr, nullptr)) {
        startup.lpAttributeList = attributes;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
        startup.StartupInfo.cb = sizeof startup;
    } else {
        startup.StartupInfo.cb = sizeof startup.StartupInfo;
    }

    const BOOL started = CreateProcessAsUserW(token, program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, flags,
                                              nullptr, nullptr, &startup.StartupInfo, &info);
    if (listed) DeleteProcThreadAttributeList(attributes);
    CloseHandle(token);
    return started != FALSE;
}

std::wstring OwnProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

// A collector running, and what ends it: the job kills it and anything it
// started when closed.
struct LowRun {
    HANDLE job = nullptr;
    HANDLE process = nullptr;
    HANDLE readEnd = nullptr;
    ULONGLONG deadline = 0;
};

void EndRun(LowRun& run) {
    if (run.job != nullptr) {
        TerminateJobObject(run.job, 1);
        CloseHandle(run.job);
    }
    if (run.process != nullptr) {
        // Killing is asynchronous: the process is gone once it is signalled.
        WaitForSingleObject(run.process, 5000);
        CloseHandle(run.process);
    }
    if (run.readEnd != nullptr) CloseHandle(run.readEnd);
    run = LowRun{};
}

// A job that ends its processes when its last handle closes, lets none of
// them start another, and ends one that crashes without the error dialog.
HANDLE KillingJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION | JOB_OBJECT_LIMIT_ACTIVE_PROCESS;
    limits.BasicLimitInformation.ActiveProcessLimit = 1;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

// Starts the collector suspended, puts it into the job and lets it run. A
// collector that cannot be put into a job (Windows 7 when this process is in
// a job already) is ended at once: without the job nothing would end what it
// might start.
bool StartRun(const char* prefix, LowRun& run) {
    const std::wstring program = lowCollectorOps.program.empty() ? OwnProgram() : lowCollectorOps.program;
    const std::string_view prefixView(prefix);
    if (program.empty() || prefixView.empty() || prefixView.size() > kLongestPrefix) return false;
    const std::string hex = HexOfBytes(prefixView);
    std::wstring commandLine = L"\"" + program + L"\" " + kLowCollectorRole + L" " + std::wstring(hex.begin(), hex.end());

    run.job = KillingJob();
    if (run.job == nullptr) return false;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&run.readEnd, &writeEnd, nullptr, kPipeBuffer)) {
        EndRun(run);
        return false;
    }
    // Inheritable only for the start, single-threaded: no other process
    // starts from here meanwhile.
    PROCESS_INFORMATION info{};
    const bool started = SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) &&
                         lowCollectorOps.start(program, commandLine, writeEnd, info);
    CloseHandle(writeEnd);
    if (!started) {
        EndRun(run);
        return false;
    }
    run.process = info.hProcess;
    run.deadline = GetTickCount64() + lowCollectorOps.timeLimitMs;
    if (!AssignProcessToJobObject(run.job, info.hProcess)) {
        TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        EndRun(run);
        return false;
    }
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    return true;
}

// Reads what the collector writes until it has ended and the pipe is empty,
// the stream breaks, the time is up or it wrote more than any cache holds. Never a read that can block: only
// what PeekNamedPipe reports is read, and the wait is on the process, so a
// process that keeps the pipe open (one it started, or one that hangs) holds
// nothing up past the deadline.
std::vector<LowRecord> ReadRecords(LowRun& run) {
    std::vector<LowRecord> records;
    LowRecordReader reader;
    std::vector<char> chunk(64 * 1024);
    bool exited = false;
    ULONGLONG total = 0;
    while (total < kMostBytes && records.size() < kMostRecords) {
        DWORD available = 0;
        if (!PeekNamedPipe(run.readEnd, nullptr, 0, nullptr, &available, nullptr)) break;  // every writer gone
        if (available > 0) {
            DWORD got = 0;
            const DWORD want = available < chunk.size() ? available : static_cast<DWORD>(chunk.size());
            if (!ReadFile(run.readEnd, chunk.data(), want, &got, nullptr) || got == 0) break;
            total += got;
            reader.Feed(chunk.data(), got);
            LowRecord record;
            LowRecordReader::Step step;
            while ((step = reader.Next(record)) == LowRecordReader::Step::Record) records.push_back(std::move(record));
            if (step == LowRecordReader::Step::Broken) break;
            if (GetTickCount64() >= run.deadline) break;
            continue;
        }
        if (exited) break;
        const ULONGLONG now = GetTickCount64();
        if (now >= run.deadline) break;
        const ULONGLONG left = run.deadline - now;
        // Once the process has ended, what it wrote is in the pipe: one more
        // round reads it.
        exited = WaitForSingleObject(run.process, left < kPollMs ? static_cast<DWORD>(left) : kPollMs) == WAIT_OBJECT_0;
    }
    return records;
}

// The current user's Internet cache folder in full, ending in "\"; the low
// cache lies below it (Low\...). Empty when unknown.
std::wstring CacheFolder() {
    PWSTR known = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_InternetCache, 0, nullptr, &known)) || known == nullptr) return {};
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(known, MAX_PATH, full, nullptr);
    CoTaskMemFree(known);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring folder(full, length);
    if (folder.back() != L'\\') folder.push_back(L'\\');
    return folder;
}

// A local file the collector names must be a file inside the cache folder:
// resolved in full ("." and ".." taken away), compared without regard to
// case. A UNC path would make a copy reach out to that server with the
// user's credentials; a device path or one elsewhere is not the cache's.
bool IsInCacheFolder(const std::string& localFile, const std::wstring& folder) {
    if (folder.empty() || !IsDriveAbsolutePath(localFile)) return false;
    const std::wstring wide = WideFromAnsi(localFile);
    if (wide.empty() || wide.size() >= MAX_PATH) return false;
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return false;
    // A folder named by its short name (how a path the ANSI code page cannot
    // spell reaches this process) compares in its long form.
    wchar_t longer[MAX_PATH];
    const DWORD longLength = GetLongPathNameW(full, longer, MAX_PATH);
    const wchar_t* path = longLength != 0 && longLength < MAX_PATH ? longer : full;
    const size_t pathLength = path == longer ? longLength : length;
    if (pathLength <= folder.size()) return false;
    return CompareStringOrdinal(path, static_cast<int>(folder.size()), folder.c_str(), static_cast<int>(folder.size()),
                                TRUE) == CSTR_EQUAL;
}

std::string KeyOf(const std::string& address, const std::string& localFile) {
    std::string key = address;
    key.push_back('\0');
    key += localFile;
    return key;
}

// Appends the sound records that are not listed yet, built as the own ones.
void AppendLowRecords(const std::vector<LowRecord>& records, const char* prefix, EntryStore& store) {
    if (records.empty()) return;
    std::wstring folder;  // read when a record first needs it
    bool folderRead = false;
    std::unordered_set<std::string> listed;
    for (const CacheEntry& entry : store) listed.insert(KeyOf(entry.sourceUrl, entry.localFile));

    std::vector<INTERNET_CACHE_ENTRY_INFOA> infos;
    for (const LowRecord& record : records) {
        // The cheap test first: under Wine every record is a row already.
        std::string key = KeyOf(record.sourceUrl, record.localFile);
        if (listed.count(key) != 0) continue;
        if (!folderRead) {
            folder = CacheFolder();
            folderRead = true;
        }
        if (!IsInCacheFolder(record.localFile, folder)) continue;
        listed.insert(std::move(key));
        INTERNET_CACHE_ENTRY_INFOA info{};
        info.dwStructSize = sizeof info;
        info.lpszSourceUrlName = const_cast<char*>(record.sourceUrl.c_str());
        info.lpszLocalFileName = const_cast<char*>(record.localFile.c_str());
        info.dwSizeLow = record.sizeLow;
        info.dwSizeHigh = record.sizeHigh;
        info.LastAccessTime = FILETIME{record.lastAccess.low, record.lastAccess.high};
        info.LastModifiedTime = FILETIME{record.lastModified.low, record.lastModified.high};
        infos.push_back(info);
    }
    if (!infos.empty()) AppendCacheRecords(infos.data(), infos.size(), prefix, store);
}

// The child's side: records under the prefix, written in pieces.
struct RecordWriter {
    CollectPrefixes prefixes;
    HANDLE out = nullptr;
    std::string pending;
    bool failed = false;
};

void Flush(RecordWriter& writer) {
    size_t done = 0;
    while (!writer.failed && done < writer.pending.size()) {
        DWORD wrote = 0;
        const size_t left = writer.pending.size() - done;
        const DWORD piece = left < 65536 ? static_cast<DWORD>(left) : 65536;
        if (!WriteFile(writer.out, writer.pending.data() + done, piece, &wrote, nullptr) || wrote == 0)
            writer.failed = true;  // the parent is gone: nobody reads any more
        done += wrote;
    }
    writer.pending.clear();
}

void WriteVisited(const INTERNET_CACHE_ENTRY_INFOA& info, void* context) {
    auto& writer = *static_cast<RecordWriter*>(context);
    if (writer.failed) return;
    if (!IsKeptRecord(info, writer.prefixes)) return;
    LowRecord record;
    record.sourceUrl = info.lpszSourceUrlName;
    // Asked for here, in the cache it belongs to, where the ANSI enumeration
    // lost characters of it.
    record.localFile = ExactLocalFile(info.lpszLocalFileName, info.lpszSourceUrlName);
    record.sizeLow = info.dwSizeLow;
    record.sizeHigh = info.dwSizeHigh;
    record.lastAccess = FileTime{info.LastAccessTime.dwLowDateTime, info.LastAccessTime.dwHighDateTime};
    record.lastModified = FileTime{info.LastModifiedTime.dwLowDateTime, info.LastModifiedTime.dwHighDateTime};
    AppendLowRecord(record, writer.pending);  // one the parent would refuse is left out
    if (writer.pending.size() >= 64 * 1024) Flush(writer);
}

}  // namespace

const wchar_t kLowCollectorRole[] = L"/tessiwok-low-collector";
const LowCollectorOps realLowCollectorOps = {RealRunsAboveLow, RealStart, std::wstring(), kTimeLimitMs};
LowCollectorOps lowCollectorOps = realLowCollectorOps;

static void CollectUrlCacheEntries(const char* prefix, EntryStore& store) {
    // The collector walks its cache while this process walks its own.
    LowRun run;
    const bool started = lowCollectorOps.runsAboveLow() && StartRun(prefix, run);
    CollectCacheEntries(prefix, store);
    if (!started) return;
    const std::vector<LowRecord> records = ReadRecords(run);
    EndRun(run);
    AppendLowRecords(records, prefix, store);
}

bool RunLowCollectorRole() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return false;
    if (count < 2 || std::wcscmp(arguments[1], kLowCollectorRole) != 0) {
        LocalFree(arguments);
        return false;
    }
    // The role from here on, sound or not: no dialog.
    std::string hex;
    if (count == 3)
        for (const wchar_t* c = arguments[2]; *c != L'\0'; ++c) hex.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    LocalFree(arguments);

    RecordWriter writer;
    std::string prefix;
    if (!BytesOfHex(hex, prefix) || prefix.empty() || prefix.size() > kLongestPrefix) return true;
    const std::string sent = SentPrefix(prefix);
    writer.prefixes = CollectPrefixes{prefix, sent};
    writer.out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (writer.out == nullptr || writer.out == INVALID_HANDLE_VALUE || GetFileType(writer.out) != FILE_TYPE_PIPE)
        return true;
    VisitCacheRecords(WriteVisited, &writer);
    Flush(writer);
    return true;
}

// The URL cache's rows first, then the browsers' own caches'.
void CollectAllCacheEntries(const char* prefix, EntryStore& store) {
    CollectUrlCacheEntries(prefix, store);
    AppendBrowserCacheEntries(prefix, store);
}
