// The accounts window of a maintenance login: the list of accounts, and
// adding, changing (name, role, password) and removing them.
#pragma once

#include "libs/login/accounts.h"

#include <windows.h>

namespace login {

constexpr const char* kAccountsFormClass = "LoginAccountsForm";
constexpr int kListId = 401;
constexpr int kNameId = 402;
constexpr int kRoleId = 403; // drop-down list of kRoles, in that order
constexpr int kNewPasswordId = 404;
constexpr int kNewRepeatId = 405;
constexpr int kAddId = 406;
constexpr int kChangeId = 407;
constexpr int kRemoveId = 408;
constexpr int kAccountsKeyboardId = 409;
constexpr int kAccountsStatusId = 410;

// Shows the window over owner (disabled meanwhile) until it is closed.
void RunAccountsForm(HWND owner, AccountStore& store);

} // namespace login
