// The login window: user name and password, OK, Cancel, Log out, the screen
// keyboard and, for maintenance, the accounts.  On a station without
// accounts it asks for the first maintenance account, its password twice.
#pragma once

#include "libs/login/accounts.h"

#include <string>

namespace login {

// Window class and control identifiers (the tests find and work the window
// by them).
constexpr const char* kLoginFormClass = "LoginForm";
constexpr int kNoteId = 300;
constexpr int kUserId = 301;
constexpr int kPasswordId = 302;
constexpr int kRepeatId = 303; // first account only
constexpr int kLogoutId = 304;
constexpr int kKeyboardId = 305;
constexpr int kAccountsId = 306; // not on the first-account form

struct LoginResult {
    enum Kind { Cancelled, LoggedIn, LoggedOut } kind = Cancelled;
    std::string name;
    Role role = Role::Operator;
};

// Shows the window over the caller's active window (disabled meanwhile) until
// the operator logs in, logs out or cancels.  The store must be usable.
LoginResult RunLoginForm(const std::string& caption, AccountStore& store);

// Tells the operator that the accounts file cannot be used.
void ReportUnusableAccounts(const AccountStore& store);

} // namespace login
