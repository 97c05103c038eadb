// The station's operator accounts: who may log in, with which role, and how
// many wrong passwords each has been given.  Passwords are kept only as salted
// PBKDF2-SHA256 hashes; five wrong passwords in a row lock an account for five
// minutes, and the lock is kept in the accounts file so a restart keeps it.
#pragma once

#include "libs/login/crypto.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace login {

enum class Role : uint32_t { Operator = 1, Engineer = 2, Maintenance = 3 };

// The rights word the station shapes its window from.
constexpr uint32_t kOperatorRights = 0x0001;
constexpr uint32_t kEngineerRights = 0x0081;
constexpr uint32_t kMaintenanceRights = 0x0180;

uint32_t RightsOf(Role role);
// "operator", "engineer", "maintenance".
const char* RoleName(Role role);
std::optional<Role> RoleFromNumber(uint32_t number);
constexpr Role kRoles[] = {Role::Operator, Role::Engineer, Role::Maintenance};

// Limits of what an operator types.  A name fits the 20-byte text fields of
// the login record with its terminating zero.
constexpr std::size_t kMaxNameBytes = 19;
constexpr std::size_t kMaxPasswordBytes = 64;
constexpr std::size_t kSaltBytes = 16;
constexpr uint32_t kIterations = 100000;
// More than this many rounds in a file is damage, not a choice.
constexpr uint32_t kMaxIterations = 10000000;
constexpr uint32_t kMaxFailures = 5;
constexpr int64_t kLockSeconds = 5 * 60;
constexpr std::size_t kMaxAccounts = 200;

using Salt = std::array<uint8_t, kSaltBytes>;

struct Account {
    std::string name;
    Role role = Role::Operator;
    uint32_t iterations = kIterations;
    Salt salt{};
    Digest hash{};
    uint32_t failures = 0;   // wrong passwords in a row
    int64_t lockedUntil = 0; // clock seconds; 0 = not locked
    bool operator==(const Account&) const = default;
};

// What the store needs from the world, so that tests can give it a fixed
// clock and a fast hash.
struct StoreTools {
    std::function<int64_t()> now; // seconds, UTC, only ever compared with itself
    std::function<bool(std::string_view password, const Salt& salt, uint32_t iterations,
                       Digest& out)>
        hash;
    std::function<bool(Salt& out)> salt;
    uint32_t iterations = kIterations;
};

// The real tools: the system clock, CNG PBKDF2 and CNG random salts.
StoreTools SystemTools();

// Checks of what an operator typed; an empty text means it is acceptable,
// otherwise the text says why not.
std::string NameProblem(std::string_view name);
std::string PasswordProblem(std::string_view password);

enum class Status {
    Ok,
    BadName,         // empty, too long or unprintable
    BadPassword,     // empty or too long
    WrongPassword,   // or no such account: the operator is not told which
    Locked,          // locked now or still locked
    NoSuchAccount,   // for changes and removals
    NameTaken,       // another account has that name
    LastMaintenance, // the last maintenance account cannot go or be demoted
    TooMany,         // the file holds at most kMaxAccounts
    NotFirst,        // the first account is created only on an empty store
    WriteFailed,     // the accounts file could not be replaced
    CryptoFailed,    // the hash or the salt could not be made
};

// The outcome of a login attempt.
struct Verdict {
    Status status = Status::WrongPassword;
    Role role = Role::Operator;
    uint32_t attemptsLeft = 0; // after a wrong password of a known account
    int64_t lockSecondsLeft = 0;
};

class AccountStore {
  public:
    enum class Loaded { Ok, NoFile, Damaged, Unreadable };

    AccountStore(std::string path, StoreTools tools);

    // Reads the accounts file; until it has read one that is sound, every
    // operation is refused.
    Loaded Load();
    // Why the last Load failed (for the operator's message).
    const std::string& problem() const { return problem_; }
    const std::string& path() const { return path_; }
    bool usable() const { return usable_; }
    // No accounts yet (no file, or a file with none): the first maintenance
    // account is to be set up.
    bool Empty() const { return usable_ && accounts_.empty(); }
    const std::vector<Account>& accounts() const { return accounts_; }
    const Account* Find(std::string_view name) const;
    // Seconds until the account's lock ends; 0 when it is not locked.
    int64_t LockSecondsLeft(const Account& a) const;

    Verdict LogIn(std::string_view name, std::string_view password);
    // The first account of a station: maintenance, and only while empty.
    Status CreateFirst(std::string_view name, std::string_view password);
    Status Add(std::string_view name, Role role, std::string_view password);
    // Renames, sets the role and, when password is not empty, the password;
    // clears the account's wrong-password count and lock.
    Status Change(std::string_view name, std::string_view newName, Role role,
                  std::string_view password);
    Status Remove(std::string_view name);

  private:
    std::optional<Account> Make(std::string_view name, Role role, std::string_view password,
                                Status* status);
    bool Verify(const Account& a, std::string_view password) const;
    // Writes the accounts as the file; the store keeps them only when written.
    Status Commit(std::vector<Account> next);
    std::size_t MaintenanceCount(const std::vector<Account>& list) const;

    std::string path_;
    StoreTools tools_;
    std::vector<Account> accounts_;
    bool usable_ = false;
    std::string problem_;
};

} // namespace login
