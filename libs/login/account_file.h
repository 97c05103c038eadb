// The accounts file "Login.acc" beside Login.dll.  Little-endian:
//
//   0   4 bytes   "LACC"
//   4   u32       format version (1)
//   8   u32       number of accounts n
//   12  n x 96    accounts:  0 name, 20 bytes, zero-padded (at most 19)
//                            20 u32 role (1 operator, 2 engineer, 3 maintenance)
//                            24 u32 PBKDF2 rounds
//                            28 16 bytes salt
//                            44 32 bytes PBKDF2-HMAC-SHA256 of the password
//                            76 u32 wrong passwords in a row
//                            80 i64 locked until (clock seconds, 0 none)
//                            88 8 bytes zero
//   end 32 bytes  SHA-256 of every byte before it
//
// The file is replaced whole: written beside the old one, flushed, then moved
// over it, so a crash leaves either the old file or the new one.
#pragma once

#include "libs/login/accounts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace login {

constexpr uint32_t kAccountFileVersion = 1;
constexpr std::size_t kAccountFileHeader = 12;
constexpr std::size_t kAccountRecordSize = 96;
constexpr std::size_t kAccountFileCheck = 32;
// Anything longer is not an accounts file.
constexpr std::size_t kMaxAccountFileSize =
    kAccountFileHeader + kMaxAccounts * kAccountRecordSize + kAccountFileCheck;

std::vector<uint8_t> EncodeAccounts(const std::vector<Account>& accounts);
// The accounts of the file's bytes, or false with the reason in *problem.
bool DecodeAccounts(const std::vector<uint8_t>& bytes, std::vector<Account>& accounts,
                    std::string* problem);

enum class FileRead { Ok, NoFile, Failed };
FileRead ReadWholeFile(const std::string& path, std::size_t limit, std::vector<uint8_t>& bytes,
                       std::string* problem);
// Writes path + ".new", flushes it and moves it over path.
bool ReplaceWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace login
