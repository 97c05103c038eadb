#include "libs/login/accounts.h"

#include "libs/login/account_file.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace login {

uint32_t RightsOf(Role role) {
    switch (role) {
    case Role::Operator:
        return kOperatorRights;
    case Role::Engineer:
        return kEngineerRights;
    case Role::Maintenance:
        return kMaintenanceRights;
    }
    return 0;
}

const char* RoleName(Role role) {
    switch (role) {
    case Role::Operator:
        return "operator";
    case Role::Engineer:
        return "engineer";
    case Role::Maintenance:
        return "maintenance";
    }
    return "";
}

std::optional<Role> RoleFromNumber(uint32_t number) {
    for (Role r : kRoles)
        if (static_cast<uint32_t>(r) == number)
            return r;
    return std::nullopt;
}

namespace {

int64_t SystemSeconds() {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t{};
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    // 100 ns steps since 1601 to seconds since 1970.
    return static_cast<int64_t>(t.QuadPart / 10000000ULL) - 11644473600LL;
}

} // namespace

StoreTools SystemTools() {
    StoreTools t;
    t.now = &SystemSeconds;
    t.hash = [](std::string_view password, const Salt& salt, uint32_t iterations, Digest& out) {
        return Pbkdf2Sha256(password, salt.data(), salt.size(), iterations, out);
    };
    t.salt = [](Salt& out) { return RandomBytes(out.data(), out.size()); };
    t.iterations = kIterations;
    return t;
}

std::string NameProblem(std::string_view name) {
    if (name.empty())
        return "The user name is empty.";
    if (name.size() > kMaxNameBytes)
        return "The user name is longer than " + std::to_string(kMaxNameBytes) + " bytes.";
    if (name.front() == ' ' || name.back() == ' ')
        return "The user name begins or ends with a space.";
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return "The user name holds a control character.";
    }
    return {};
}

std::string PasswordProblem(std::string_view password) {
    if (password.empty())
        return "The password is empty.";
    if (password.size() > kMaxPasswordBytes)
        return "The password is longer than " + std::to_string(kMaxPasswordBytes) + " bytes.";
    if (password.find('\0') != std::string_view::npos)
        return "The password holds a zero byte.";
    return {};
}

AccountStore::AccountStore(std::string path, StoreTools tools)
    : path_(std::move(path)), tools_(std::move(tools)) {}

AccountStore::Loaded AccountStore::Load() {
    usable_ = false;
    accounts_.clear();
    problem_.clear();
    std::vector<uint8_t> bytes;
    switch (ReadWholeFile(path_, kMaxAccountFileSize, bytes, &problem_)) {
    case FileRead::NoFile:
        usable_ = true;
        return Loaded::NoFile;
    case FileRead::Failed:
        return Loaded::Unreadable;
    case FileRead::Ok:
        break;
    }
    std::vector<Account> read;
    if (!DecodeAccounts(bytes, read, &problem_))
        return Loaded::Damaged;
    accounts_ = std::move(read);
    usable_ = true;
    return Loaded::Ok;
}

const Account* AccountStore::Find(std::string_view name) const {
    for (const Account& a : accounts_)
        if (a.name == name)
            return &a;
    return nullptr;
}

int64_t AccountStore::LockSecondsLeft(const Account& a) const {
    if (a.lockedUntil == 0)
        return 0;
    const int64_t left = a.lockedUntil - tools_.now();
    return std::clamp<int64_t>(left, 0, kLockSeconds);
}

bool AccountStore::Verify(const Account& a, std::string_view password) const {
    Digest d{};
    return tools_.hash(password, a.salt, a.iterations, d) && SameDigest(d, a.hash);
}

std::optional<Account> AccountStore::Make(std::string_view name, Role role,
                                          std::string_view password, Status* status) {
    Account a;
    a.name = std::string(name);
    a.role = role;
    a.iterations = tools_.iterations;
    if (!tools_.salt(a.salt) || !tools_.hash(password, a.salt, a.iterations, a.hash)) {
        *status = Status::CryptoFailed;
        return std::nullopt;
    }
    return a;
}

Status AccountStore::Commit(std::vector<Account> next) {
    const std::vector<uint8_t> bytes = EncodeAccounts(next);
    if (bytes.empty())
        return Status::CryptoFailed;
    if (!ReplaceWholeFile(path_, bytes))
        return Status::WriteFailed;
    accounts_ = std::move(next);
    return Status::Ok;
}

std::size_t AccountStore::MaintenanceCount(const std::vector<Account>& list) const {
    return static_cast<std::size_t>(std::count_if(
        list.begin(), list.end(), [](const Account& a) { return a.role == Role::Maintenance; }));
}

Verdict AccountStore::LogIn(std::string_view name, std::string_view password) {
    Verdict v;
    if (!usable_)
        return v;
    if (!NameProblem(name).empty()) {
        v.status = Status::BadName;
        return v;
    }
    if (!PasswordProblem(password).empty()) {
        v.status = Status::BadPassword;
        return v;
    }
    const Account* found = Find(name);
    if (!found) {
        // The same work as for a real account, so that the answer's delay
        // does not tell which names exist.
        Digest ignored{};
        tools_.hash(password, Salt{}, tools_.iterations, ignored);
        return v;
    }
    std::vector<Account> next = accounts_;
    Account& a = next[static_cast<std::size_t>(found - accounts_.data())];
    const int64_t now = tools_.now();
    if (a.lockedUntil != 0) {
        // A clock set back never makes a lock longer than its five minutes.
        if (a.lockedUntil > now + kLockSeconds)
            a.lockedUntil = now + kLockSeconds;
        if (now < a.lockedUntil) {
            v.status = Status::Locked;
            v.lockSecondsLeft = a.lockedUntil - now;
            if (next != accounts_)
                Commit(std::move(next));
            return v;
        }
        a.lockedUntil = 0;
        a.failures = 0;
    }
    if (Verify(a, password)) {
        a.failures = 0;
        v.status = Status::Ok;
        v.role = a.role;
        if (next != accounts_)
            Commit(std::move(next)); // a login is not refused for the count
        return v;
    }
    ++a.failures;
    if (a.failures >= kMaxFailures) {
        a.failures = kMaxFailures;
        a.lockedUntil = now + kLockSeconds;
        v.status = Status::Locked;
        v.lockSecondsLeft = kLockSeconds;
    } else {
        v.status = Status::WrongPassword;
        v.attemptsLeft = kMaxFailures - a.failures;
    }
    // Should the file refuse the count, this store still holds it.
    if (Commit(next) != Status::Ok)
        accounts_ = std::move(next);
    return v;
}

Status AccountStore::CreateFirst(std::string_view name, std::string_view password) {
    if (!usable_ || !accounts_.empty())
        return Status::NotFirst;
    return Add(name, Role::Maintenance, password);
}

Status AccountStore::Add(std::string_view name, Role role, std::string_view password) {
    if (!usable_)
        return Status::WriteFailed;
    if (!NameProblem(name).empty())
        return Status::BadName;
    if (!PasswordProblem(password).empty())
        return Status::BadPassword;
    if (Find(name))
        return Status::NameTaken;
    if (accounts_.size() >= kMaxAccounts)
        return Status::TooMany;
    Status status = Status::Ok;
    std::optional<Account> a = Make(name, role, password, &status);
    if (!a)
        return status;
    std::vector<Account> next = accounts_;
    next.push_back(std::move(*a));
    return Commit(std::move(next));
}

Status AccountStore::Change(std::string_view name, std::string_view newName, Role role,
                            std::string_view password) {
    if (!usable_)
        return Status::WriteFailed;
    const Account* found = Find(name);
    if (!found)
        return Status::NoSuchAccount;
    if (!NameProblem(newName).empty())
        return Status::BadName;
    if (!password.empty() && !PasswordProblem(password).empty())
        return Status::BadPassword;
    if (newName != name && Find(newName))
        return Status::NameTaken;
    std::vector<Account> next = accounts_;
    Account& a = next[static_cast<std::size_t>(found - accounts_.data())];
    a.name = std::string(newName);
    a.role = role;
    a.failures = 0;
    a.lockedUntil = 0;
    if (!password.empty()) {
        Status status = Status::Ok;
        std::optional<Account> fresh = Make(newName, role, password, &status);
        if (!fresh)
            return status;
        a = std::move(*fresh);
    }
    if (MaintenanceCount(next) == 0)
        return Status::LastMaintenance;
    return Commit(std::move(next));
}

Status AccountStore::Remove(std::string_view name) {
    if (!usable_)
        return Status::WriteFailed;
    const Account* found = Find(name);
    if (!found)
        return Status::NoSuchAccount;
    std::vector<Account> next = accounts_;
    next.erase(next.begin() + (found - accounts_.data()));
    if (MaintenanceCount(next) == 0)
        return Status::LastMaintenance;
    return Commit(std::move(next));
}

} // namespace login
