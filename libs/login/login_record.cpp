#include "libs/login/login_record.h"

#include <cstdio>
#include <cstring>

namespace login {
namespace {

void PutText(uint8_t* record, std::size_t at, std::string_view text) {
    std::memset(record + at, 0, kRecordText);
    std::memcpy(record + at, text.data(), std::min(text.size(), kRecordText - 1));
}

void PutRights(uint8_t* record, uint32_t rights) {
    for (int i = 0; i < 4; ++i)
        record[kRecordRights + i] = static_cast<uint8_t>(rights >> (8 * i));
}

} // namespace

void WriteLogin(void* record, std::string_view name, Role role, const SYSTEMTIME& at) {
    auto* r = static_cast<uint8_t*>(record);
    PutRights(r, RightsOf(role));
    PutText(r, kRecordName, name);
    PutText(r, kRecordRole, RoleName(role));
    char time[32];
    std::snprintf(time, sizeof time, "%04u-%02u-%02u %02u:%02u:%02u", at.wYear, at.wMonth, at.wDay,
                  at.wHour, at.wMinute, at.wSecond);
    PutText(r, kRecordTime, time);
}

void WriteLogout(void* record) {
    auto* r = static_cast<uint8_t*>(record);
    PutRights(r, 0);
    PutText(r, kRecordName, {});
    PutText(r, kRecordRole, {});
    PutText(r, kRecordTime, {});
}

} // namespace login
