// The low-integrity collector: the parent's start, bounded read and checks,
// and the child's role.
#include "cache/low_collect.h"

#include <shellapi.h>
#include <shlobj.h>
#include <knownfolders.h>
#include <wininet.h>

#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "cache/address.h"
#include "cache/address_rows.h"
#include "cache/collect.h"
#include "cache/local_file_win.h"
#include "cache/low_record.h"
#include "text/wide_text_win.h"

namespace {

// The largest cache the benchmarks fill (60,794 rows) collects in 40.1 s
// under Wine on a shared machine, the child's walk being the same work;
// Windows walks it in a few seconds. Three times the slowest figure, counted
// from the end of the own walk, which the child's runs beside.
constexpr DWORD kTimeLimitMs = 120 * 1000;

// How long the parent waits for the child at once while the pipe is empty.
constexpr DWORD kPollMs = 5;

// The pipe's buffer: the child writes while the parent walks its own cache.
constexpr DWORD kPipeBuffer = 4 * 1024 * 1024;

// What the parent reads from one collector at most. Reading costs time, not
// memory (records are checked as they arrive and only rows are kept), and
// this is far more than any cache sends: the full Wine cache is 12 MB in
// 60,794 records.
constexpr ULONGLONG kMostBytes = 256ull * 1024 * 1024;

// What the low store's rows may hold: 64 MiB, about 200,000 rows of common
// addresses (the full Wine cache's 60,794 rows take 20 MB as entries). With
// the own rows, a collector that writes without end leaves the 32-bit
// program, whose 2 GiB hold far more, room for the list and a sort.
constexpr size_t kMostRowBytes = 64u * 1024 * 1024;

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

// A primary token for the collector: this process's user, restricted, and
// labelled low (S-1-16-4096). Lowering the level alone would leave an
// elevated administrator's token its Administrators group and privileges,
// for any low process of the user (a Protected Mode tab) to borrow from the
// collector: the group is deny-only and every privilege but
// SeChangeNotifyPrivilege is gone. The own token is opened for what
// duplicating it needs, nothing more.
HANDLE LowToken() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &own)) return nullptr;
    alignas(SID) BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD administratorsSize = sizeof administrators;
    SID_AND_ATTRIBUTES denyOnly[] = {{administrators, 0}};
    // The privileges also named one by one: Wine keeps them all under
    // DISABLE_MAX_PRIVILEGE.
    std::vector<LUID_AND_ATTRIBUTES> removed;
    LUID changeNotify{};
    DWORD size = 0;
    GetTokenInformation(own, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    const BOOL listed = size != 0 && LookupPrivilegeValueW(nullptr, L"SeChangeNotifyPrivilege", &changeNotify) &&
                        GetTokenInformation(own, TokenPrivileges, buffer.data(), size, &size);
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; listed && i < privileges->PrivilegeCount; ++i) {
        const LUID luid = privileges->Privileges[i].Luid;
        if (luid.LowPart != changeNotify.LowPart || luid.HighPart != changeNotify.HighPart)
            removed.push_back(privileges->Privileges[i]);
    }
    HANDLE restricted = nullptr;
    const BOOL made = listed &&
                      CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &administratorsSize) &&
                      CreateRestrictedToken(own, DISABLE_MAX_PRIVILEGE, 1, denyOnly, static_cast<DWORD>(removed.size()),
                                            removed.data(), 0, nullptr, &restricted);
    CloseHandle(own);
    if (!made) return nullptr;
    // A token of its own, with the access the label and the start need.
    HANDLE low = nullptr;
    const DWORD access = TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY;
    const BOOL duplicated = DuplicateTokenEx(restricted, access, nullptr, SecurityImpersonation, TokenPrimary, &low);
    CloseHandle(restricted);
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

// CreateProcessAsUserW, suspended. The write end is the child's standard
// output and the only handle it inherits; where the handle list cannot be
// set, nothing starts: without it the child would inherit every inheritable
// handle of this process. No busy cursor: the child shows no window.
bool RealStart(HANDLE token, const std::wstring& program, std::wstring& commandLine, HANDLE writeEnd, DWORD flags,
               PROCESS_INFORMATION& info) {
    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    if (listSize == 0) return false;
    std::vector<BYTE> list(listSize);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &listSize)) return false;
    HANDLE inherited[] = {writeEnd};
    BOOL started = FALSE;
    if (lowCollectorOps.updateAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited,
                                        nullptr, nullptr)) {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_FORCEOFFFEEDBACK;
        startup.StartupInfo.hStdOutput = writeEnd;
        startup.lpAttributeList = attributes;
        started = CreateProcessAsUserW(token, program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                       flags | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                       &startup.StartupInfo, &info);
    }
    const DWORD error = GetLastError();
    DeleteProcThreadAttributeList(attributes);
    SetLastError(error);
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

// A collector running, and what ends it: its own job, which kills it and
// anything it started when closed, or, where it could not be put into one,
// the process alone.
struct LowRun {
    HANDLE job = nullptr;
    HANDLE process = nullptr;
    HANDLE readEnd = nullptr;
    ULONGLONG deadline = 0;

    LowRun() = default;
    LowRun(const LowRun&) = delete;
    LowRun& operator=(const LowRun&) = delete;
    ~LowRun();
};

// Ends the collector; what it wrote stays in the pipe to be read. Killing is
// asynchronous: the process is gone once it is signalled.
void StopCollector(LowRun& run) {
    if (run.job != nullptr) {
        TerminateJobObject(run.job, 1);
        CloseHandle(run.job);
        run.job = nullptr;
    } else if (run.process != nullptr) {
        TerminateProcess(run.process, 1);
    }
    if (run.process != nullptr) WaitForSingleObject(run.process, 5000);
}

LowRun::~LowRun() {
    StopCollector(*this);
    if (process != nullptr) CloseHandle(process);
    if (readEnd != nullptr) CloseHandle(readEnd);
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

// CREATE_BREAKAWAY_FROM_JOB where this process runs in a job that lets its
// children leave it: on Windows 7 a process can be in one job only, so the
// collector goes into its own job only from outside this one. 0 otherwise.
DWORD BreakawayFlag() {
    BOOL inJob = FALSE;
    if (!IsProcessInJob(GetCurrentProcess(), nullptr, &inJob) || !inJob) return 0;
    JOBOBJECT_BASIC_LIMIT_INFORMATION limits{};
    if (!QueryInformationJobObject(nullptr, JobObjectBasicLimitInformation, &limits, sizeof limits, nullptr)) return 0;
    const DWORD leave = JOB_OBJECT_LIMIT_BREAKAWAY_OK | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
    return (limits.LimitFlags & leave) != 0 ? CREATE_BREAKAWAY_FROM_JOB : 0;
}

// Starts the collector suspended, puts it into its job and lets it run.
// Where the job cannot take it (Windows 7, this process in a job it may not
// leave), it runs in this process's job and is ended here when the reading
// ends; the job's other limits then do not hold.
bool StartRun(const char* prefix, LowRun& run) {
    const std::wstring program = lowCollectorOps.program.empty() ? OwnProgram() : lowCollectorOps.program;
    const std::string_view prefixView(prefix);
    if (program.empty() || prefixView.empty() || prefixView.size() > kLongestPrefix) return false;
    const std::string hex = HexOfBytes(prefixView);
    std::wstring commandLine = L"\"" + program + L"\" " + kLowCollectorRole + L" " + std::wstring(hex.begin(), hex.end());

    HANDLE token = LowToken();
    if (token == nullptr) return false;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&run.readEnd, &writeEnd, nullptr, kPipeBuffer)) {
        CloseHandle(token);
        return false;
    }
    // Inheritable only for the start, single-threaded: no other process
    // starts from here meanwhile.
    PROCESS_INFORMATION info{};
    bool started = false;
    if (SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        const DWORD breakaway = BreakawayFlag();
        started = lowCollectorOps.start(token, program, commandLine, writeEnd, breakaway, info);
        // A job nested in one that refuses (Windows 8 and later) refuses the
        // breakaway too; there the collector's own job takes it all the same.
        if (!started && breakaway != 0 && GetLastError() == ERROR_ACCESS_DENIED)
            started = lowCollectorOps.start(token, program, commandLine, writeEnd, 0, info);
    }
    CloseHandle(writeEnd);
    CloseHandle(token);
    if (!started) return false;
    run.process = info.hProcess;
    run.job = KillingJob();
    if (run.job != nullptr && !lowCollectorOps.assignToJob(run.job, info.hProcess)) {
        CloseHandle(run.job);
        run.job = nullptr;
    }
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    return true;
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

// The low store's rows, taken record by record as they arrive: kept under
// the prefix as the own ones, a row for its address (AddressRows), a file in
// the cache folder, and within the rows' memory. Only rows are held.
class LowRows {
public:
    LowRows(const char* prefix, EntryStore& store) : delivered_(prefix), rows_(store) {}

    // False once the rows hold what they may: nothing more is taken.
    bool Take(const LowRecord& record) {
        INTERNET_CACHE_ENTRY_INFOA info{};
        info.dwStructSize = sizeof info;
        info.lpszSourceUrlName = const_cast<char*>(record.sourceUrl.c_str());
        info.lpszLocalFileName = const_cast<char*>(record.localFile.c_str());
        info.dwSizeLow = record.sizeLow;
        info.dwSizeHigh = record.sizeHigh;
        info.LastAccessTime = FILETIME{record.lastAccess.low, record.lastAccess.high};
        info.LastModifiedTime = FILETIME{record.lastModified.low, record.lastModified.high};
        CacheEntry entry;
        // The cheap tests first: under Wine every record is a row already.
        if (!delivered_.Build(info, entry) || !rows_.Takes(entry)) return true;
        if (!folderRead_) {
            folder_ = CacheFolder();
            folderRead_ = true;
        }
        if (!IsInCacheFolder(record.localFile, folder_)) return true;
        entry.store = RowStore::Low;
        const size_t bytes = LowRowBytes(entry);
        if (bytes > lowCollectorOps.mostRowBytes - held_) return false;
        held_ += bytes;
        rows_.Offer(std::move(entry));
        return true;
    }

private:
    DeliveredRecords delivered_;
    AddressRows rows_;
    std::wstring folder_;  // read when a record first needs it
    bool folderRead_ = false;
    size_t held_ = 0;  // LowRowBytes of the rows taken
};

// Reads what the collector writes, handing each record to rows as it
// arrives, until the collector has ended and the pipe is empty, the stream
// breaks, the rows are full or more than kMostBytes came. At the deadline
// the collector is ended and what it wrote before is still read. Never a
// read that can block: only what PeekNamedPipe reports is read, and the wait
// is on the process, so a process that keeps the pipe open (one it started,
// or one that hangs) holds nothing up past the deadline.
void ReadRecords(LowRun& run, LowRows& rows) {
    LowRecordReader reader;
    std::vector<char> chunk(64 * 1024);
    bool ended = false;  // the collector is gone: what the pipe holds is all
    ULONGLONG total = 0;
    while (total < kMostBytes) {
        DWORD available = 0;
        if (!PeekNamedPipe(run.readEnd, nullptr, 0, nullptr, &available, nullptr)) return;  // every writer gone
        if (available > 0) {
            DWORD got = 0;
            const DWORD want = available < chunk.size() ? available : static_cast<DWORD>(chunk.size());
            if (!ReadFile(run.readEnd, chunk.data(), want, &got, nullptr) || got == 0) return;
            total += got;
            reader.Feed(chunk.data(), got);
            LowRecord record;
            LowRecordReader::Step step;
            while ((step = reader.Next(record)) == LowRecordReader::Step::Record)
                if (!rows.Take(record)) return;
            if (step == LowRecordReader::Step::Broken) return;
        } else if (ended) {
            return;
        }
        if (ended) continue;
        const ULONGLONG now = GetTickCount64();
        if (now >= run.deadline) {
            StopCollector(run);
            ended = true;
        } else if (available == 0) {
            const ULONGLONG left = run.deadline - now;
            // Once the process has ended, what it wrote is in the pipe.
            ended = WaitForSingleObject(run.process, left < kPollMs ? static_cast<DWORD>(left) : kPollMs) ==
                    WAIT_OBJECT_0;
        }
    }
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
const LowCollectorOps realLowCollectorOps = {
    RealRunsAboveLow, RealStart, UpdateProcThreadAttribute, AssignProcessToJobObject, std::wstring(),
    kTimeLimitMs,     kMostRowBytes,
};
LowCollectorOps lowCollectorOps = realLowCollectorOps;

size_t LowRowBytes(const CacheEntry& entry) {
    return sizeof entry + entry.relativePath.size() + entry.extension.size() + entry.localFile.size() +
           entry.sourceUrl.size();
}

void CollectAllCacheEntries(const char* prefix, EntryStore& store) {
    // The collector walks its cache while this process walks its own.
    LowRun run;
    bool started = false;
    try {
        started = lowCollectorOps.runsAboveLow() && StartRun(prefix, run);
    } catch (const std::bad_alloc&) {
    }
    CollectCacheEntries(prefix, store);
    if (!started) return;
    run.deadline = GetTickCount64() + lowCollectorOps.timeLimitMs;
    try {
        LowRows rows(prefix, store);
        ReadRecords(run, rows);
    } catch (const std::bad_alloc&) {
        // The rows taken so far stay, each whole: the store appends or
        // replaces an entry all at once.
    }
}

bool RunLowCollectorRole() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return false;
    if (count < 2 || std::wcscmp(arguments[1], kLowCollectorRole) != 0) {
        LocalFree(arguments);
        return false;
    }
    // The role from here on, sound or not: no dialog, not even the system's
    // for a crash (where the parent's job took the collector, its own job's
    // limit for that does not hold).
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
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
