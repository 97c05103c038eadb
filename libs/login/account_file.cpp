#include "libs/login/account_file.h"

#include <windows.h>

#include <cstring>

namespace login {
namespace {

constexpr char kMagic[4] = {'L', 'A', 'C', 'C'};

void PutU32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutI64(std::vector<uint8_t>& b, std::size_t at, int64_t v) {
    const auto u = static_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i)
        b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

uint32_t GetU32(const std::vector<uint8_t>& b, std::size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

int64_t GetI64(const std::vector<uint8_t>& b, std::size_t at) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= static_cast<uint64_t>(b[at + i]) << (8 * i);
    return static_cast<int64_t>(v);
}

bool Fail(std::string* problem, const std::string& why) {
    if (problem)
        *problem = why;
    return false;
}

// One record of the file, or false with the reason.
bool DecodeRecord(const std::vector<uint8_t>& b, std::size_t at, Account& a, std::string* why) {
    const char* name = reinterpret_cast<const char*>(&b[at]);
    const std::size_t length = strnlen(name, 20);
    if (length == 20)
        return Fail(why, "the name has no end");
    for (std::size_t i = length; i < 20; ++i)
        if (b[at + i] != 0)
            return Fail(why, "bytes after the name");
    a.name.assign(name, length);
    if (!NameProblem(a.name).empty())
        return Fail(why, "the name is not valid");
    const auto role = RoleFromNumber(GetU32(b, at + 20));
    if (!role)
        return Fail(why, "the role is not known");
    a.role = *role;
    a.iterations = GetU32(b, at + 24);
    if (a.iterations == 0 || a.iterations > kMaxIterations)
        return Fail(why, "the hash rounds are out of range");
    std::memcpy(a.salt.data(), &b[at + 28], a.salt.size());
    std::memcpy(a.hash.data(), &b[at + 44], a.hash.size());
    a.failures = GetU32(b, at + 76);
    if (a.failures > kMaxFailures)
        return Fail(why, "the wrong-password count is out of range");
    a.lockedUntil = GetI64(b, at + 80);
    if (a.lockedUntil < 0)
        return Fail(why, "the lock time is out of range");
    for (std::size_t i = 88; i < kAccountRecordSize; ++i)
        if (b[at + i] != 0)
            return Fail(why, "the reserved bytes are not zero");
    return true;
}

} // namespace

std::vector<uint8_t> EncodeAccounts(const std::vector<Account>& accounts) {
    const std::size_t body = kAccountFileHeader + accounts.size() * kAccountRecordSize;
    std::vector<uint8_t> b(body + kAccountFileCheck, 0);
    std::memcpy(b.data(), kMagic, 4);
    PutU32(b, 4, kAccountFileVersion);
    PutU32(b, 8, static_cast<uint32_t>(accounts.size()));
    std::size_t at = kAccountFileHeader;
    for (const Account& a : accounts) {
        std::memcpy(&b[at], a.name.data(), std::min<std::size_t>(a.name.size(), kMaxNameBytes));
        PutU32(b, at + 20, static_cast<uint32_t>(a.role));
        PutU32(b, at + 24, a.iterations);
        std::memcpy(&b[at + 28], a.salt.data(), a.salt.size());
        std::memcpy(&b[at + 44], a.hash.data(), a.hash.size());
        PutU32(b, at + 76, a.failures);
        PutI64(b, at + 80, a.lockedUntil);
        at += kAccountRecordSize;
    }
    Digest check{};
    if (!Sha256(b.data(), body, check))
        return {};
    std::memcpy(&b[body], check.data(), check.size());
    return b;
}

bool DecodeAccounts(const std::vector<uint8_t>& b, std::vector<Account>& accounts,
                    std::string* problem) {
    if (b.size() < kAccountFileHeader + kAccountFileCheck)
        return Fail(problem, "the file is too short (" + std::to_string(b.size()) + " bytes)");
    if (std::memcmp(b.data(), kMagic, 4) != 0)
        return Fail(problem, "the file is not an accounts file");
    const uint32_t version = GetU32(b, 4);
    if (version != kAccountFileVersion)
        return Fail(problem, "the file has format version " + std::to_string(version) +
                                 ", this library reads version " +
                                 std::to_string(kAccountFileVersion));
    const uint32_t count = GetU32(b, 8);
    if (count > kMaxAccounts ||
        b.size() != kAccountFileHeader + count * kAccountRecordSize + kAccountFileCheck)
        return Fail(problem, "the file's length does not match its number of accounts");
    const std::size_t body = b.size() - kAccountFileCheck;
    Digest check{};
    if (!Sha256(b.data(), body, check))
        return Fail(problem, "the check value could not be computed");
    Digest stored{};
    std::memcpy(stored.data(), &b[body], stored.size());
    if (!SameDigest(check, stored))
        return Fail(problem, "the check value does not match the content");
    std::vector<Account> read(count);
    for (uint32_t i = 0; i < count; ++i) {
        std::string why;
        if (!DecodeRecord(b, kAccountFileHeader + i * kAccountRecordSize, read[i], &why))
            return Fail(problem, "account " + std::to_string(i + 1) + ": " + why);
        for (uint32_t j = 0; j < i; ++j)
            if (read[j].name == read[i].name)
                return Fail(problem, "the name \"" + read[i].name + "\" appears twice");
    }
    accounts = std::move(read);
    return true;
}

namespace {

// A file handle closed when it goes.
class File {
  public:
    explicit File(HANDLE h) : h_(h) {}
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool Close() {
        const bool closed = !ok() || CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return closed;
    }

  private:
    HANDLE h_;
};

} // namespace

FileRead ReadWholeFile(const std::string& path, std::size_t limit, std::vector<uint8_t>& bytes,
                       std::string* problem) {
    File f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.ok()) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND)
            return FileRead::NoFile;
        if (problem)
            *problem = "the file cannot be opened (error " + std::to_string(e) + ")";
        return FileRead::Failed;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > limit) {
        if (problem)
            *problem = "the file is larger than any accounts file";
        return FileRead::Failed;
    }
    bytes.assign(static_cast<std::size_t>(size.QuadPart), 0);
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size())) {
        if (problem)
            *problem = "the file cannot be read";
        return FileRead::Failed;
    }
    return FileRead::Ok;
}

bool ReplaceWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (bytes.empty())
        return false;
    const std::string fresh = path + ".new";
    {
        File f(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!f.ok())
            return false;
        DWORD written = 0;
        const bool ok =
            WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size() && FlushFileBuffers(f.get());
        if (!f.Close() || !ok) {
            DeleteFileA(fresh.c_str());
            return false;
        }
    }
    if (!MoveFileExA(fresh.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(fresh.c_str());
        return false;
    }
    return true;
}

} // namespace login
