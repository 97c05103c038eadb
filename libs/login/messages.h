// The operator's messages of the login and accounts windows.
#pragma once

#include "libs/login/accounts.h"

#include <string>

namespace login {

// Why an account operation was refused (Status::Ok gives an empty text).
std::string Explain(Status status, const std::string& accountsPath);
// A wrong login: the attempts left before the lock, when the name is known.
std::string WrongLogin(uint32_t attemptsLeft);
std::string LockedLogin(const std::string& name, int64_t secondsLeft);
std::string UnusableAccountsFile(const std::string& path, const std::string& why);
std::string PasswordsDiffer();
std::string MaintenanceOnly();
std::string ChooseRole();
std::string ChooseAccount();
std::string ConfirmRemove(const std::string& name);
// The cross-line mark's settings file could not be written.
std::string MarkNotWritten(const std::string& path);

} // namespace login
