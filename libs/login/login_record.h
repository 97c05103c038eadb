// What a login leaves in the station's login record (the 500-byte operator
// block the station hands over): the rights word at offset 4, and in the
// library's text fields the operator's name (offset 16), role (offset 36) and
// the local time of the login (offset 56, "YYYY-MM-DD hh:mm:ss").  Nothing
// else of the record is touched, and never a password.
#pragma once

#include "libs/login/accounts.h"

#include <windows.h>

#include <string_view>

namespace login {

constexpr std::size_t kRecordRights = 4;
constexpr std::size_t kRecordName = 16;
constexpr std::size_t kRecordRole = 36;
constexpr std::size_t kRecordTime = 56;
constexpr std::size_t kRecordText = 20;

void WriteLogin(void* record, std::string_view name, Role role, const SYSTEMTIME& at);
// Rights 0 and the three texts emptied.
void WriteLogout(void* record);

} // namespace login
