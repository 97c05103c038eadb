// Login.dll's operator accounts.  The account store (file format, hashes,
// lock-out, roles) is driven directly with a fixed clock and a fast hash;
// the login form, the accounts window and the screen keyboard are the real
// windows of Login.dll, worked through the Windows API by an operator thread
// while the form runs modally on the test's thread.
#include "contracts/login.h"
#include "libs/login/account_file.h"
#include "libs/login/accounts.h"
#include "libs/login/accounts_form.h"
#include "libs/login/crypto.h"
#include "libs/login/login_form.h"
#include "libs/login/login_record.h"
#include "libs/login/screen_keyboard.h"
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace testing_station;
namespace fs = std::filesystem;

namespace {

// A private folder in the temporary directory, removed afterwards.
class TempFolder {
  public:
    TempFolder() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        static int serial = 0;
        dir_ = std::string(temp) + "login-acc-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++serial);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    const std::string& dir() const { return dir_; }
    std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

  private:
    std::string dir_;
};

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool Contains(const std::vector<uint8_t>& hay, const std::string& needle) {
    if (needle.empty())
        return false;
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

std::string Hex(const login::Digest& d) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (uint8_t b : d) {
        s.push_back(digits[b >> 4]);
        s.push_back(digits[b & 15]);
    }
    return s;
}

// The real CNG hash and salts with two rounds, and a clock the test sets.
struct FastTools {
    std::shared_ptr<int64_t> clock = std::make_shared<int64_t>(1700000000);
    std::shared_ptr<int> hashes = std::make_shared<int>(0);
    login::StoreTools tools() const {
        login::StoreTools t = login::SystemTools();
        auto c = clock;
        auto n = hashes;
        auto real = t.hash;
        t.now = [c] { return *c; };
        t.hash = [n, real](std::string_view p, const login::Salt& s, uint32_t i,
                           login::Digest& out) {
            ++*n;
            return real(p, s, i, out);
        };
        t.iterations = 2;
        return t;
    }
};

using login::AccountStore;
using login::Role;
using login::Status;

// A store on a file of a temporary folder with a few accounts.
struct StoreOnDisk {
    TempFolder folder;
    FastTools fast;
    std::string path = folder.Path("Login.acc");
    AccountStore Open() const {
        AccountStore s(path, fast.tools());
        s.Load();
        return s;
    }
};

} // namespace

TEST(LoginAccounts, CngGivesTheKnownPbkdf2AndSha256Answers) {
    // Published PBKDF2-HMAC-SHA256 vectors, and one with the station's rounds.
    struct Case {
        std::string password, salt;
        uint32_t iterations;
        const char* hex;
    };
    std::string counting(16, '\0');
    for (int i = 0; i < 16; ++i)
        counting[i] = static_cast<char>(i);
    const Case cases[] = {
        {"passwd", "salt", 1, "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"},
        {"password", "salt", 4096,
         "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
        {"station", counting, login::kIterations,
         "13ecbcf85d43853852ae7c24e5076f62a874ace5bdcc9848259eae26f79e48c1"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.password + " " + std::to_string(k.iterations));
        login::Digest d{};
        ASSERT_TRUE(login::Pbkdf2Sha256(k.password, reinterpret_cast<const uint8_t*>(k.salt.data()),
                                        k.salt.size(), k.iterations, d));
        EXPECT_EQ(Hex(d), k.hex);
    }
    login::Digest d{};
    const std::string abc = "abc";
    ASSERT_TRUE(login::Sha256(reinterpret_cast<const uint8_t*>(abc.data()), abc.size(), d));
    EXPECT_EQ(Hex(d), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Two salts in a row are not the same.
    login::Salt a{}, b{};
    ASSERT_TRUE(login::RandomBytes(a.data(), a.size()));
    ASSERT_TRUE(login::RandomBytes(b.data(), b.size()));
    EXPECT_NE(a, b);
    // The station's own tools use the slow count.
    EXPECT_GE(login::SystemTools().iterations, 100000u);
}

TEST(LoginAccounts, EachRoleGivesItsRightsWord) {
    struct Case {
        Role role;
        const char* name;
        uint32_t rights;
    };
    const Case cases[] = {{Role::Operator, "operator", 0x0001},
                          {Role::Engineer, "engineer", 0x0081},
                          {Role::Maintenance, "maintenance", 0x0180}};
    StoreOnDisk disk;
    AccountStore store = disk.Open();
    for (const Case& k : cases)
        ASSERT_EQ(store.Add(std::string("u-") + k.name, k.role, "pw-" + std::string(k.name)),
                  Status::Ok);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(login::RightsOf(k.role), k.rights);
        EXPECT_STREQ(login::RoleName(k.role), k.name);
        // A login of the account of that role answers the role; the record
        // then holds its rights word, little-endian at offset 4.
        AccountStore fresh = disk.Open();
        const login::Verdict v =
            fresh.LogIn(std::string("u-") + k.name, "pw-" + std::string(k.name));
        ASSERT_EQ(v.status, Status::Ok);
        EXPECT_EQ(v.role, k.role);
        std::array<uint8_t, 500> record{};
        SYSTEMTIME at{2024, 3, 0, 9, 7, 5, 3, 0};
        login::WriteLogin(record.data(), std::string("u-") + k.name, v.role, at);
        EXPECT_EQ(record[4] | record[5] << 8 | record[6] << 16 | record[7] << 24, k.rights);
        EXPECT_STREQ(reinterpret_cast<const char*>(&record[16]),
                     (std::string("u-") + k.name).c_str());
        EXPECT_STREQ(reinterpret_cast<const char*>(&record[36]), k.name);
        EXPECT_STREQ(reinterpret_cast<const char*>(&record[56]), "2024-03-09 07:05:03");
    }
    EXPECT_FALSE(login::RoleFromNumber(0));
    EXPECT_FALSE(login::RoleFromNumber(4));
}

TEST(LoginAccounts, RecordKeepsEverythingButTheLoginFields) {
    std::array<uint8_t, 500> record{};
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<uint8_t>(i * 29 + 3);
    const auto before = record;
    const SYSTEMTIME at{2031, 12, 0, 31, 23, 59, 58, 0};
    login::WriteLogin(record.data(), "a-name-of-19-bytes!", Role::Engineer, at);
    for (std::size_t i = 0; i < record.size(); ++i) {
        const bool loginField = (i >= 4 && i < 8) || (i >= 16 && i < 76);
        if (!loginField) {
            EXPECT_EQ(record[i], before[i]) << "byte " << i << " belongs to the station";
        }
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[16])), "a-name-of-19-bytes!");
    EXPECT_EQ(record[35], 0) << "the name field ends with its zero";
    login::WriteLogout(record.data());
    EXPECT_EQ(record[4] | record[5] | record[6] | record[7], 0);
    for (std::size_t i = 16; i < 76; ++i)
        EXPECT_EQ(record[i], 0) << "byte " << i;
    EXPECT_EQ(record[0], before[0]);
    EXPECT_EQ(record[8], before[8]);
    EXPECT_EQ(record[12], before[12]) << "the language stays";
    EXPECT_EQ(record[416], before[416]) << "the window flags stay";
}

TEST(LoginAccounts, WrongPasswordIsRefusedAndTheFifthLocks) {
    StoreOnDisk disk;
    {
        AccountStore s = disk.Open();
        ASSERT_EQ(s.CreateFirst("chief", "Chief-pw-1"), Status::Ok);
        ASSERT_EQ(s.Add("anna", Role::Operator, "Anna-pw-1"), Status::Ok);
    }
    // A success between failures starts the count again.
    {
        AccountStore s = disk.Open();
        EXPECT_EQ(s.LogIn("anna", "wrong").status, Status::WrongPassword);
        EXPECT_EQ(s.LogIn("anna", "wrong").status, Status::WrongPassword);
        EXPECT_EQ(s.LogIn("anna", "Anna-pw-1").status, Status::Ok);
        EXPECT_EQ(s.Find("anna")->failures, 0u);
    }
    for (uint32_t attempt = 1; attempt <= 4; ++attempt) {
        AccountStore s = disk.Open(); // each attempt from the file, as after a restart
        const login::Verdict v = s.LogIn("anna", "Anna-pw-" + std::to_string(attempt + 1));
        EXPECT_EQ(v.status, Status::WrongPassword) << "attempt " << attempt;
        EXPECT_EQ(v.attemptsLeft, 5 - attempt);
    }
    AccountStore s = disk.Open();
    login::Verdict v = s.LogIn("anna", "anna-pw-1");
    EXPECT_EQ(v.status, Status::Locked) << "the fifth wrong password locks";
    EXPECT_EQ(v.lockSecondsLeft, 300);
    EXPECT_EQ(s.LogIn("anna", "Anna-pw-1").status, Status::Locked)
        << "the right password does not open a locked account";
    EXPECT_EQ(s.LogIn("chief", "Chief-pw-1").status, Status::Ok) << "other accounts are not locked";

    // The lock is in the file: a fresh store (a restarted station) keeps it.
    *disk.fast.clock += 299;
    AccountStore later = disk.Open();
    ASSERT_TRUE(later.Find("anna"));
    EXPECT_EQ(later.LockSecondsLeft(*later.Find("anna")), 1);
    v = later.LogIn("anna", "Anna-pw-1");
    EXPECT_EQ(v.status, Status::Locked);
    EXPECT_EQ(v.lockSecondsLeft, 1);
    *disk.fast.clock += 1;
    AccountStore open = disk.Open();
    EXPECT_EQ(open.LogIn("anna", "Anna-pw-1").status, Status::Ok) << "five minutes later it opens";
    EXPECT_EQ(open.Find("anna")->failures, 0u);
    EXPECT_EQ(open.Find("anna")->lockedUntil, 0);
    EXPECT_EQ(disk.Open().LogIn("anna", "x").attemptsLeft, 4u) << "the count starts again";
}

TEST(LoginAccounts, ClockSetBackNeverLengthensALock) {
    StoreOnDisk disk;
    AccountStore s = disk.Open();
    ASSERT_EQ(s.CreateFirst("chief", "pw"), Status::Ok);
    for (int i = 0; i < 5; ++i)
        s.LogIn("chief", "no");
    ASSERT_EQ(s.LogIn("chief", "pw").status, Status::Locked);
    // The clock goes back a day: the lock still ends five minutes from now.
    *disk.fast.clock -= 86400;
    AccountStore back = disk.Open();
    const login::Verdict v = back.LogIn("chief", "pw");
    EXPECT_EQ(v.status, Status::Locked);
    EXPECT_LE(v.lockSecondsLeft, 300);
    *disk.fast.clock += 300;
    EXPECT_EQ(disk.Open().LogIn("chief", "pw").status, Status::Ok);
}

TEST(LoginAccounts, UnknownNameIsAnsweredLikeAWrongPassword) {
    StoreOnDisk disk;
    AccountStore s = disk.Open();
    ASSERT_EQ(s.CreateFirst("chief", "pw"), Status::Ok);
    const std::vector<uint8_t> file = ReadBytes(disk.path);
    const int before = *disk.fast.hashes;
    const login::Verdict v = s.LogIn("nobody", "pw");
    EXPECT_EQ(v.status, Status::WrongPassword);
    EXPECT_EQ(v.attemptsLeft, 0u) << "nothing told about names that do not exist";
    EXPECT_EQ(*disk.fast.hashes, before + 1) << "the hash is computed all the same";
    EXPECT_EQ(ReadBytes(disk.path), file);
}

TEST(LoginAccounts, FileHoldsNoPasswordText) {
    const std::string passwords[] = {"Sesame-42", "密碼一二三", std::string(64, 'p'), "x",
                                     "chief" /* same as a name */};
    StoreOnDisk disk;
    AccountStore s = disk.Open();
    ASSERT_EQ(s.CreateFirst("chief", "Sesame-42"), Status::Ok);
    int n = 0;
    for (const std::string& p : passwords)
        ASSERT_EQ(s.Add("user" + std::to_string(++n), Role::Operator, p), Status::Ok);
    ASSERT_EQ(s.Add("twin", Role::Operator, "Sesame-42"), Status::Ok);
    const std::vector<uint8_t> file = ReadBytes(disk.path);
    ASSERT_FALSE(file.empty());
    for (const std::string& p : passwords) {
        if (p == "chief" || p == "x")
            continue; // a name and a single letter may occur anywhere
        EXPECT_FALSE(Contains(file, p)) << p;
        // Nor the password's plain SHA-256.
        login::Digest d{};
        ASSERT_TRUE(login::Sha256(reinterpret_cast<const uint8_t*>(p.data()), p.size(), d));
        EXPECT_FALSE(Contains(file, std::string(d.begin(), d.end())));
    }
    // The same password twice gives different salts and hashes.
    const login::Account* a = s.Find("chief");
    const login::Account* b = s.Find("twin");
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->salt, b->salt);
    EXPECT_NE(a->hash, b->hash);
    // The file is what the store encodes, and every account is in it.
    std::vector<login::Account> read;
    std::string why;
    ASSERT_TRUE(login::DecodeAccounts(file, read, &why)) << why;
    EXPECT_EQ(read, s.accounts());
    EXPECT_EQ(file.size(), 12 + read.size() * 96 + 32);
    EXPECT_FALSE(fs::exists(disk.path + ".new")) << "the new file was moved over the old";
}

TEST(LoginAccounts, FileBytesStandAtTheirOffsets) {
    login::Account a;
    a.name = "eve";
    a.role = Role::Engineer;
    a.iterations = 0x01020304;
    for (int i = 0; i < 16; ++i)
        a.salt[i] = static_cast<uint8_t>(0xA0 + i);
    for (int i = 0; i < 32; ++i)
        a.hash[i] = static_cast<uint8_t>(0x10 + i);
    a.failures = 3;
    a.lockedUntil = 0x0000000123456789LL;
    const std::vector<uint8_t> b = login::EncodeAccounts({a});
    ASSERT_EQ(b.size(), 12u + 96u + 32u);
    const uint8_t header[] = {'L', 'A', 'C', 'C', 1, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 12),
              std::vector<uint8_t>(std::begin(header), std::end(header)));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[12])), "eve");
    for (int i = 15; i < 32; ++i)
        EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(b[32], 2);
    EXPECT_EQ(b[36], 0x04);
    EXPECT_EQ(b[39], 0x01);
    EXPECT_EQ(b[40], 0xA0);
    EXPECT_EQ(b[55], 0xAF);
    EXPECT_EQ(b[56], 0x10);
    EXPECT_EQ(b[87], 0x2F);
    EXPECT_EQ(b[88], 3);
    EXPECT_EQ(b[92], 0x89);
    EXPECT_EQ(b[95], 0x23);
    EXPECT_EQ(b[96], 0x01);
    EXPECT_EQ(b[99], 0x00);
    login::Digest check{};
    ASSERT_TRUE(login::Sha256(b.data(), 108, check));
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 108, b.end()),
              std::vector<uint8_t>(check.begin(), check.end()));
}

namespace {

// The file with its check value made right again after an edit, so that the
// checks behind the check value are reached.
std::vector<uint8_t> Resealed(std::vector<uint8_t> b) {
    if (b.size() < 32)
        return b;
    login::Digest d{};
    login::Sha256(b.data(), b.size() - 32, d);
    std::memcpy(&b[b.size() - 32], d.data(), 32);
    return b;
}

} // namespace

TEST(LoginAccounts, DamagedFileIsRefused) {
    StoreOnDisk disk;
    {
        AccountStore s = disk.Open();
        ASSERT_EQ(s.CreateFirst("chief", "Chief-pw"), Status::Ok);
        ASSERT_EQ(s.Add("anna", Role::Operator, "Anna-pw"), Status::Ok);
    }
    const std::vector<uint8_t> good = ReadBytes(disk.path);
    ASSERT_EQ(good.size(), 12u + 2 * 96u + 32u);

    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::vector<uint8_t> b = good;
        b[at] ^= static_cast<uint8_t>(1u << (at % 8));
        cases.push_back({"bit flipped at " + std::to_string(at), b});
    }
    for (std::size_t length :
         {std::size_t(0), std::size_t(1), std::size_t(11), std::size_t(43), std::size_t(44),
          good.size() - 96, good.size() - 32, good.size() - 1}) {
        cases.push_back({"cut to " + std::to_string(length),
                         std::vector<uint8_t>(good.begin(), good.begin() + length)});
    }
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    cases.push_back({"one byte more", longer});
    for (uint32_t version : {0u, 2u, 0x01000000u}) {
        std::vector<uint8_t> b = good;
        std::memcpy(&b[4], &version, 4);
        cases.push_back({"version " + std::to_string(version), Resealed(b)});
    }
    {
        std::vector<uint8_t> b = good;
        b[0] = 'X';
        cases.push_back({"other magic", Resealed(b)});
        b = good;
        b[8] = 3;
        cases.push_back({"count says three", Resealed(b)});
        b = good;
        b[12 + 20] = 9;
        cases.push_back({"unknown role", Resealed(b)});
        b = good;
        std::memset(&b[12 + 24], 0, 4);
        cases.push_back({"no hash rounds", Resealed(b)});
        b = good;
        std::memset(&b[12], 'z', 20);
        cases.push_back({"name without end", Resealed(b)});
        b = good;
        b[12] = 0;
        cases.push_back({"empty name", Resealed(b)});
        b = good;
        std::memcpy(&b[12 + 96], &b[12], 20);
        cases.push_back({"same name twice", Resealed(b)});
        b = good;
        b[12 + 76] = 6;
        cases.push_back({"six wrong passwords", Resealed(b)});
        b = good;
        b[12 + 90] = 1;
        cases.push_back({"reserved byte", Resealed(b)});
        b = good;
        b[12 + 87] = 0x80;
        cases.push_back({"negative lock time", Resealed(b)});
    }
    std::vector<uint8_t> huge(login::kMaxAccountFileSize + 1, 0);
    cases.push_back({"larger than any accounts file", huge});

    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        WriteBytes(disk.path, k.bytes);
        AccountStore s(disk.path, disk.fast.tools());
        const AccountStore::Loaded loaded = s.Load();
        EXPECT_TRUE(loaded == AccountStore::Loaded::Damaged ||
                    loaded == AccountStore::Loaded::Unreadable);
        EXPECT_FALSE(s.problem().empty()) << "a reason is given";
        EXPECT_FALSE(s.usable());
        EXPECT_FALSE(s.Empty()) << "a damaged file never counts as a station without accounts";
        EXPECT_NE(s.LogIn("chief", "Chief-pw").status, Status::Ok);
        EXPECT_NE(s.LogIn("anna", "Anna-pw").status, Status::Ok);
        EXPECT_NE(s.CreateFirst("mallory", "pw"), Status::Ok);
        EXPECT_NE(s.Add("mallory", Role::Maintenance, "pw"), Status::Ok);
        EXPECT_EQ(ReadBytes(disk.path), k.bytes) << "the damaged file is left as it is";
    }
    // The good bytes load again.
    WriteBytes(disk.path, good);
    AccountStore s(disk.path, disk.fast.tools());
    EXPECT_EQ(s.Load(), AccountStore::Loaded::Ok);
    EXPECT_EQ(s.LogIn("anna", "Anna-pw").status, Status::Ok);
}

TEST(LoginAccounts, FirstRunCreatesTheMaintenanceAccountOnce) {
    StoreOnDisk disk;
    AccountStore s(disk.path, disk.fast.tools());
    EXPECT_EQ(s.Load(), AccountStore::Loaded::NoFile);
    EXPECT_TRUE(s.Empty());
    EXPECT_EQ(s.LogIn("chief", "pw").status, Status::WrongPassword);
    EXPECT_FALSE(fs::exists(disk.path)) << "a refused login writes no file";
    EXPECT_EQ(s.CreateFirst("", "pw"), Status::BadName);
    EXPECT_EQ(s.CreateFirst("chief", ""), Status::BadPassword);
    EXPECT_FALSE(fs::exists(disk.path));
    ASSERT_EQ(s.CreateFirst("chief", "First-pw"), Status::Ok);
    ASSERT_TRUE(fs::exists(disk.path));
    EXPECT_EQ(s.CreateFirst("second", "pw"), Status::NotFirst);

    AccountStore again(disk.path, disk.fast.tools());
    ASSERT_EQ(again.Load(), AccountStore::Loaded::Ok);
    EXPECT_FALSE(again.Empty());
    ASSERT_EQ(again.accounts().size(), 1u);
    EXPECT_EQ(again.accounts()[0].name, "chief");
    EXPECT_EQ(again.accounts()[0].role, Role::Maintenance);
    EXPECT_EQ(again.accounts()[0].iterations, 2u) << "the rounds of the store's tools";
    EXPECT_EQ(again.CreateFirst("second", "pw"), Status::NotFirst);
    EXPECT_EQ(again.LogIn("chief", "First-pw").role, Role::Maintenance);
}

TEST(LoginAccounts, EmptyOrOverLongNameOrPasswordIsRefused) {
    struct Case {
        std::string name, password;
        Status status;
    };
    const Case cases[] = {
        {"", "pw", Status::BadName},
        {std::string(20, 'n'), "pw", Status::BadName},
        {std::string(19, 'n'), "pw", Status::Ok},
        {"n", "", Status::BadPassword},
        {"n2", std::string(65, 'p'), Status::BadPassword},
        {"n3", std::string(64, 'p'), Status::Ok},
        {" lead", "pw", Status::BadName},
        {"trail ", "pw", Status::BadName},
        {"tab\tname", "pw", Status::BadName},
        {"操作員甲", "pw", Status::Ok}, // eight code page 950 bytes
        {std::string("pass\0word", 9), "pw", Status::BadName},
        {"n4", std::string("pass\0word", 9), Status::BadPassword},
    };
    StoreOnDisk disk;
    AccountStore s = disk.Open();
    ASSERT_EQ(s.CreateFirst("chief", "pw"), Status::Ok);
    for (const Case& k : cases) {
        SCOPED_TRACE("name of " + std::to_string(k.name.size()) + " bytes, password of " +
                     std::to_string(k.password.size()));
        const std::size_t before = s.accounts().size();
        EXPECT_EQ(s.Add(k.name, Role::Operator, k.password), k.status);
        EXPECT_EQ(s.accounts().size(), before + (k.status == Status::Ok ? 1 : 0));
        const login::Verdict v = s.LogIn(k.name, k.password);
        EXPECT_EQ(v.status, k.status) << "a login checks the same limits";
    }
    EXPECT_FALSE(login::NameProblem(std::string(20, 'n')).empty());
    EXPECT_NE(login::NameProblem(std::string(20, 'n')).find("19"), std::string::npos);
    EXPECT_NE(login::PasswordProblem(std::string(65, 'p')).find("64"), std::string::npos);
    EXPECT_NE(login::NameProblem("").find("empty"), std::string::npos);
    // Refused logins count for no account.
    EXPECT_EQ(s.Find("chief")->failures, 0u);
    EXPECT_EQ(s.LogIn("chief", std::string(65, 'p')).status, Status::BadPassword);
    EXPECT_EQ(s.Find("chief")->failures, 0u);
}

TEST(LoginAccounts, AccountsAreAddedChangedAndRemoved) {
    StoreOnDisk disk;
    AccountStore s = disk.Open();
    ASSERT_EQ(s.CreateFirst("chief", "Chief-pw"), Status::Ok);
    EXPECT_EQ(s.Add("anna", Role::Operator, "a1"), Status::Ok);
    EXPECT_EQ(s.Add("anna", Role::Engineer, "a2"), Status::NameTaken);
    EXPECT_EQ(s.Add("Anna", Role::Engineer, "a2"), Status::Ok) << "names are told apart by case";

    // Rename, new role, new password.
    EXPECT_EQ(s.Change("anna", "bert", Role::Engineer, "b1"), Status::Ok);
    EXPECT_FALSE(s.Find("anna"));
    AccountStore reread = disk.Open();
    EXPECT_EQ(reread.LogIn("anna", "a1").status, Status::WrongPassword);
    EXPECT_EQ(reread.LogIn("bert", "a1").status, Status::WrongPassword);
    login::Verdict v = reread.LogIn("bert", "b1");
    EXPECT_EQ(v.status, Status::Ok);
    EXPECT_EQ(v.role, Role::Engineer);
    // An empty password keeps the old one; a change unlocks.
    for (int i = 0; i < 5; ++i)
        reread.LogIn("bert", "wrong");
    ASSERT_EQ(reread.LogIn("bert", "b1").status, Status::Locked);
    EXPECT_EQ(reread.Change("bert", "bert", Role::Operator, ""), Status::Ok);
    v = disk.Open().LogIn("bert", "b1");
    EXPECT_EQ(v.status, Status::Ok);
    EXPECT_EQ(v.role, Role::Operator);

    AccountStore t = disk.Open();
    EXPECT_EQ(t.Change("bert", "Anna", Role::Operator, ""), Status::NameTaken);
    EXPECT_EQ(t.Change("nobody", "x", Role::Operator, ""), Status::NoSuchAccount);
    EXPECT_EQ(t.Change("bert", "", Role::Operator, ""), Status::BadName);
    EXPECT_EQ(t.Change("bert", "bert", Role::Operator, std::string(65, 'x')), Status::BadPassword);
    // The last maintenance account stays.
    EXPECT_EQ(t.Change("chief", "chief", Role::Engineer, ""), Status::LastMaintenance);
    EXPECT_EQ(t.Remove("chief"), Status::LastMaintenance);
    EXPECT_EQ(t.Remove("nobody"), Status::NoSuchAccount);
    EXPECT_EQ(t.Remove("Anna"), Status::Ok);
    EXPECT_EQ(t.Add("deputy", Role::Maintenance, "d"), Status::Ok);
    EXPECT_EQ(t.Remove("chief"), Status::Ok) << "another maintenance account is left";
    AccountStore last = disk.Open();
    ASSERT_EQ(last.accounts().size(), 2u);
    EXPECT_EQ(last.accounts()[0].name, "bert");
    EXPECT_EQ(last.accounts()[1].name, "deputy");
    EXPECT_EQ(last.LogIn("chief", "Chief-pw").status, Status::WrongPassword);
}

TEST(LoginAccounts, AFailedWriteLeavesTheOldFile) {
    StoreOnDisk disk;
    AccountStore s = disk.Open();
    ASSERT_EQ(s.CreateFirst("chief", "pw"), Status::Ok);
    const std::vector<uint8_t> before = ReadBytes(disk.path);
    // A folder where the new file would be written: the write fails.
    fs::create_directory(disk.path + ".new");
    EXPECT_EQ(s.Add("anna", Role::Operator, "pw"), Status::WriteFailed);
    EXPECT_FALSE(s.Find("anna")) << "the store keeps only what was written";
    EXPECT_EQ(ReadBytes(disk.path), before);
    // Wrong passwords are still counted by the store in hand.
    EXPECT_EQ(s.LogIn("chief", "no").attemptsLeft, 4u);
    EXPECT_EQ(s.LogIn("chief", "no").attemptsLeft, 3u);
    fs::remove(disk.path + ".new");
    EXPECT_EQ(s.Add("anna", Role::Operator, "pw"), Status::Ok);
    EXPECT_EQ(disk.Open().accounts().size(), 2u);
}

// ---------------------------------------------------------------------------
// The windows of Login.dll.

namespace {

// A private folder holding a copy of Login.dll, so that its accounts file
// ("Login.acc" beside it) belongs to this test alone.
class LoginCopy {
  public:
    LoginCopy() {
        fs::copy_file(BuiltStationFolder() + "\\Login.dll", folder_.Path("Login.dll"),
                      fs::copy_options::overwrite_existing);
    }
    ~LoginCopy() { Unload(); }

    std::string Accounts() const { return folder_.Path("Login.acc"); }
    // Accounts made ready for the test (with a fast hash: the file keeps each
    // account's rounds, and Login.dll checks a password with them).
    AccountStore Store() const {
        AccountStore s(Accounts(), fast_.tools());
        s.Load();
        return s;
    }

    bool Load() {
        Unload();
        module_ = LoadLibraryA(folder_.Path("Login.dll").c_str());
        if (!module_)
            return false;
        show = reinterpret_cast<ShowLoginFormFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "ShowLoginForm")));
        keyboard = reinterpret_cast<LoginScreenKeyboardFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "LoginScreenKeyboard")));
        return show && keyboard;
    }
    void Unload() {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
        show = nullptr;
        keyboard = nullptr;
    }

    ShowLoginFormFn show = nullptr;
    LoginScreenKeyboardFn keyboard = nullptr;

  private:
    TempFolder folder_;
    FastTools fast_;
    HMODULE module_ = nullptr;
};

// A login record as the station holds it: 500 bytes with a pattern.
struct Record {
    std::array<uint8_t, 500> bytes{};
    Record() {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    uint32_t Rights() const {
        return bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<uint32_t>(bytes[7]) << 24;
    }
    std::string Text(std::size_t at) const {
        return std::string(reinterpret_cast<const char*>(&bytes[at]),
                           strnlen(reinterpret_cast<const char*>(&bytes[at]), 20));
    }
    bool Holds(const std::string& s) const {
        return std::search(bytes.begin(), bytes.end(), s.begin(), s.end()) != bytes.end();
    }
};

// The operator at the windows, on a thread of its own: waits for them, types
// into their boxes, clicks their buttons and answers their message boxes.
// What goes wrong is noted, for the test's thread to report.
class Operator {
  public:
    explicit Operator(std::function<void(Operator&)> script)
        : thread_([this, script] { script(*this); }) {}
    ~Operator() { Join(); }
    void Join() {
        if (thread_.joinable())
            thread_.join();
    }

    HWND Wait(const char* cls) {
        for (int i = 0; i < 500; ++i) {
            HWND w = FindOwnWindow(cls);
            if (w && IsWindowVisible(w))
                return w;
            Sleep(20);
        }
        Note(std::string("no window of class ") + cls);
        return nullptr;
    }
    void Type(HWND w, int id, const std::string& text) {
        SendMessageA(GetDlgItem(w, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    std::string Text(HWND w, int id) {
        char text[512] = {};
        SendMessageA(GetDlgItem(w, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Clicks a button; posted, so a message box that the click brings up
    // does not hold this thread.
    void Click(HWND w, int id) {
        HWND b = GetDlgItem(w, id);
        if (!b)
            Note("no control " + std::to_string(id));
        PostMessageA(b, BM_CLICK, 0, 0);
    }
    // Waits for a message box, notes its text, answers it and waits until it
    // has gone; "" when none came.
    std::string Answer(int button = IDOK) {
        HWND box = nullptr;
        for (int i = 0; i < 500 && !box; ++i) {
            box = VisibleOwnWindow("#32770");
            if (!box)
                Sleep(20);
        }
        if (!box) {
            Note("no message box");
            return "";
        }
        Sleep(30);
        char text[1024] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        PostMessageA(box, WM_COMMAND, button, 0);
        for (int i = 0; i < 250 && IsWindow(box); ++i)
            Sleep(20);
        std::lock_guard<std::mutex> g(mutex_);
        boxes.push_back(text);
        return text;
    }
    // Waits until no window of the class is left.
    bool Gone(const char* cls) {
        for (int i = 0; i < 250; ++i) {
            if (!FindOwnWindow(cls))
                return true;
            Sleep(20);
        }
        return false;
    }
    void Note(const std::string& what) {
        std::lock_guard<std::mutex> g(mutex_);
        notes.push_back(what);
    }

    std::vector<std::string> notes;
    std::vector<std::string> boxes;

  private:
    std::mutex mutex_;
    std::thread thread_;
};

std::string Joined(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v)
        s += "[" + x + "] ";
    return s;
}

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// Logs in through the form: name and password typed, OK clicked.
void TypeLogin(Operator& op, HWND form, const std::string& name, const std::string& password) {
    op.Type(form, login::kUserId, name);
    op.Type(form, login::kPasswordId, password);
    op.Click(form, IDOK);
}

} // namespace

TEST(LoginAccounts, FormSetsUpTheFirstMaintenanceAccount) {
    LoginCopy dll;
    ASSERT_TRUE(dll.Load());
    ASSERT_FALSE(fs::exists(dll.Accounts()));
    Record record;
    const Record before;
    bool hadRepeat = false, hadAccounts = true;
    Operator op([&](Operator& o) {
        HWND f = o.Wait(login::kLoginFormClass);
        if (!f)
            return;
        hadRepeat = GetDlgItem(f, login::kRepeatId) != nullptr;
        hadAccounts = GetDlgItem(f, login::kAccountsId) != nullptr;
        // Empty and over-long names, then passwords that differ, are refused.
        TypeLogin(o, f, "", "Gear-7");
        o.Answer();
        TypeLogin(o, f, std::string(20, 'c'), "Gear-7");
        o.Answer();
        o.Type(f, login::kRepeatId, "Gear-8");
        TypeLogin(o, f, "chief", "Gear-7");
        o.Answer();
        o.Type(f, login::kRepeatId, std::string(65, 'g'));
        TypeLogin(o, f, "chief", std::string(65, 'g'));
        o.Answer();
        o.Type(f, login::kRepeatId, "Gear-7");
        TypeLogin(o, f, "  chief ", "Gear-7");
    });
    const uint8_t answer = dll.show("登入", record.bytes.data());
    op.Join();
    EXPECT_TRUE(op.notes.empty()) << Joined(op.notes);
    EXPECT_TRUE(hadRepeat) << "the password is asked twice";
    EXPECT_FALSE(hadAccounts) << "no accounts to manage yet";
    ASSERT_EQ(op.boxes.size(), 4u) << Joined(op.boxes);
    EXPECT_TRUE(Has(op.boxes[0], "empty")) << op.boxes[0];
    EXPECT_TRUE(Has(op.boxes[1], "longer than 19")) << op.boxes[1];
    EXPECT_TRUE(Has(op.boxes[2], "differ")) << op.boxes[2];
    EXPECT_TRUE(Has(op.boxes[3], "longer than 64")) << op.boxes[3];
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(record.Rights(), 0x0180u) << "logged in as the new maintenance account";
    EXPECT_EQ(record.Text(16), "chief") << "the name without the spaces around it";
    EXPECT_EQ(record.Text(36), "maintenance");
    EXPECT_FALSE(record.Holds("Gear-7"));
    for (std::size_t i = 76; i < 500; ++i)
        ASSERT_EQ(record.bytes[i], before.bytes[i]) << "byte " << i;

    AccountStore s = dll.Store();
    ASSERT_TRUE(s.usable());
    ASSERT_EQ(s.accounts().size(), 1u);
    EXPECT_EQ(s.accounts()[0].name, "chief");
    EXPECT_EQ(s.accounts()[0].role, Role::Maintenance);
    EXPECT_GE(s.accounts()[0].iterations, 100000u) << "the library hashes slowly";
    EXPECT_FALSE(Contains(ReadBytes(dll.Accounts()), "Gear-7"));
    EXPECT_EQ(s.LogIn("chief", "Gear-7").status, Status::Ok);
}

TEST(LoginAccounts, FormRefusesAWrongPasswordAndTheFifthLocks) {
    LoginCopy dll;
    {
        AccountStore s = dll.Store();
        ASSERT_EQ(s.CreateFirst("chief", "Chief-1"), Status::Ok);
        ASSERT_EQ(s.Add("anna", Role::Operator, "Anna-1"), Status::Ok);
    }
    ASSERT_TRUE(dll.Load());
    Record record;
    const Record before;
    Operator op([&](Operator& o) {
        HWND f = o.Wait(login::kLoginFormClass);
        if (!f)
            return;
        for (int i = 0; i < 5; ++i) {
            TypeLogin(o, f, "anna", "anna-1");
            o.Answer();
            if (!o.Text(f, login::kPasswordId).empty())
                o.Note("the password box is emptied after a wrong password");
        }
        TypeLogin(o, f, "anna", "Anna-1"); // the right one, too late
        o.Answer();
        o.Click(f, IDCANCEL);
    });
    EXPECT_EQ(dll.show("Login", record.bytes.data()), 0);
    op.Join();
    EXPECT_TRUE(op.notes.empty()) << Joined(op.notes);
    ASSERT_EQ(op.boxes.size(), 6u) << Joined(op.boxes);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Has(op.boxes[i], "Wrong user name or password")) << op.boxes[i];
        EXPECT_TRUE(Has(op.boxes[i], (std::to_string(4 - i) + " attempt").c_str())) << op.boxes[i];
    }
    EXPECT_TRUE(Has(op.boxes[4], "locked")) << op.boxes[4];
    EXPECT_TRUE(Has(op.boxes[5], "locked")) << op.boxes[5];
    EXPECT_EQ(record.bytes, before.bytes) << "a refused login leaves the record as it was";

    // The lock is in the file: reloading the library keeps it.
    AccountStore s = dll.Store();
    ASSERT_TRUE(s.Find("anna"));
    EXPECT_EQ(s.Find("anna")->failures, 5u);
    EXPECT_GT(s.Find("anna")->lockedUntil, 0);
    ASSERT_TRUE(dll.Load());
    Operator again([&](Operator& o) {
        HWND f = o.Wait(login::kLoginFormClass);
        if (!f)
            return;
        TypeLogin(o, f, "anna", "Anna-1");
        o.Answer();
        TypeLogin(o, f, "chief", "Chief-1"); // another account logs in
    });
    EXPECT_EQ(dll.show("Login", record.bytes.data()), 1);
    again.Join();
    EXPECT_TRUE(again.notes.empty()) << Joined(again.notes);
    ASSERT_EQ(again.boxes.size(), 1u);
    EXPECT_TRUE(Has(again.boxes[0], "locked")) << again.boxes[0];
    EXPECT_TRUE(Has(again.boxes[0], "4:5") || Has(again.boxes[0], "5:00")) << again.boxes[0];
    EXPECT_EQ(record.Rights(), 0x0180u);
}

TEST(LoginAccounts, FormGivesEachRoleItsRightsAndLogsOut) {
    struct Case {
        const char* name;
        Role role;
        uint32_t rights;
    };
    const Case cases[] = {{"op", Role::Operator, 0x0001},
                          {"eng", Role::Engineer, 0x0081},
                          {"maint", Role::Maintenance, 0x0180}};
    LoginCopy dll;
    {
        AccountStore s = dll.Store();
        ASSERT_EQ(s.CreateFirst("chief", "Chief-1"), Status::Ok);
        for (const Case& k : cases)
            ASSERT_EQ(s.Add(k.name, k.role, std::string("Pw-") + k.name), Status::Ok);
    }
    ASSERT_TRUE(dll.Load());
    Record record;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Operator op([&](Operator& o) {
            if (HWND f = o.Wait(login::kLoginFormClass))
                TypeLogin(o, f, k.name, std::string("Pw-") + k.name);
        });
        EXPECT_EQ(dll.show("Login", record.bytes.data()), 1);
        op.Join();
        EXPECT_TRUE(op.notes.empty()) << Joined(op.notes);
        EXPECT_TRUE(op.boxes.empty()) << Joined(op.boxes);
        EXPECT_EQ(record.Rights(), k.rights);
        EXPECT_EQ(record.Text(16), k.name);
        EXPECT_EQ(record.Text(36), login::RoleName(k.role));
        EXPECT_EQ(record.Text(56).size(), 19u) << "the login time";
        EXPECT_FALSE(record.Holds(std::string("Pw-") + k.name));
    }
    // Cancel: nothing changes.
    const Record loggedIn = record;
    {
        Operator op([&](Operator& o) {
            if (HWND f = o.Wait(login::kLoginFormClass)) {
                o.Type(f, login::kUserId, "op");
                o.Type(f, login::kPasswordId, "Pw-op");
                o.Click(f, IDCANCEL);
            }
        });
        EXPECT_EQ(dll.show("Login", record.bytes.data()), 0);
        op.Join();
        EXPECT_EQ(record.bytes, loggedIn.bytes);
    }
    // Log out: rights 0, answered true.
    {
        Operator op([&](Operator& o) {
            if (HWND f = o.Wait(login::kLoginFormClass))
                o.Click(f, login::kLogoutId);
        });
        EXPECT_EQ(dll.show("Login", record.bytes.data()), 1);
        op.Join();
        EXPECT_TRUE(op.notes.empty()) << Joined(op.notes);
        EXPECT_EQ(record.Rights(), 0u);
        EXPECT_EQ(record.Text(16), "");
        const Record pattern;
        EXPECT_EQ(record.bytes[0], pattern.bytes[0]);
        EXPECT_EQ(record.bytes[12], pattern.bytes[12]) << "the language is the station's";
    }
    EXPECT_EQ(FindOwnWindow(login::kLoginFormClass), nullptr);
}

TEST(LoginAccounts, FormRefusesEmptyOrOverLongInputWithAMessage) {
    struct Case {
        std::string name, password;
        const char* message;
    };
    const Case cases[] = {
        {"", "Chief-1", "user name is empty"},
        {"   ", "Chief-1", "user name is empty"},
        {std::string(20, 'c'), "Chief-1", "longer than 19"},
        {"chief", "", "password is empty"},
        {"chief", std::string(65, 'x'), "longer than 64"},
    };
    LoginCopy dll;
    {
        AccountStore s = dll.Store();
        ASSERT_EQ(s.CreateFirst("chief", "Chief-1"), Status::Ok);
    }
    ASSERT_TRUE(dll.Load());
    Record record;
    const Record before;
    Operator op([&](Operator& o) {
        HWND f = o.Wait(login::kLoginFormClass);
        if (!f)
            return;
        for (const Case& k : cases) {
            TypeLogin(o, f, k.name, k.password);
            o.Answer();
        }
        o.Click(f, IDCANCEL);
    });
    EXPECT_EQ(dll.show("Login", record.bytes.data()), 0);
    op.Join();
    EXPECT_TRUE(op.notes.empty()) << Joined(op.notes);
    ASSERT_EQ(op.boxes.size(), std::size(cases)) << Joined(op.boxes);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_TRUE(Has(op.boxes[i], cases[i].message)) << i << ": " << op.boxes[i];
    EXPECT_EQ(record.bytes, before.bytes);
    EXPECT_EQ(dll.Store().Find("chief")->failures, 0u) << "refused input counts as no attempt";
}

TEST(LoginAccounts, DamagedAccountsFileIsRefusedWithAMessage) {
    LoginCopy dll;
    {
        AccountStore s = dll.Store();
        ASSERT_EQ(s.CreateFirst("chief", "Chief-1"), Status::Ok);
    }
    const std::vector<uint8_t> good = ReadBytes(dll.Accounts());
    std::vector<uint8_t> flipped = good;
    flipped[20] ^= 0x04;
    std::vector<uint8_t> wrongVersion = good;
    wrongVersion[4] = 7;
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"flipped byte", flipped},
        {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + 60)},
        {"wrong version", Resealed(wrongVersion)},
        {"empty file", {}},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        WriteBytes(dll.Accounts(), bytes);
        ASSERT_TRUE(dll.Load());
        Record record;
        const Record before;
        bool formSeen = false;
        Operator op([&](Operator& o) {
            o.Answer();
            formSeen = FindOwnWindow(login::kLoginFormClass) != nullptr;
        });
        EXPECT_EQ(dll.show("Login", record.bytes.data()), 0);
        op.Join();
        EXPECT_TRUE(op.notes.empty()) << Joined(op.notes);
        ASSERT_EQ(op.boxes.size(), 1u);
        EXPECT_TRUE(Has(op.boxes[0], "damaged")) << op.boxes[0];
        EXPECT_TRUE(Has(op.boxes[0], "Login.acc")) << "the file is named: " << op.boxes[0];
        EXPECT_FALSE(formSeen) << "no login form, and no first-account form either";
        EXPECT_EQ(record.bytes, before.bytes);
        EXPECT_EQ(ReadBytes(dll.Accounts()), bytes) << "the file is left for maintenance";
    }
}

namespace {

ShowLoginFormFn nestedShow = nullptr;
std::atomic<int>* nestedAnswer = nullptr;

void CALLBACK CallAgain(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    Record inner;
    *nestedAnswer = nestedShow("again", inner.bytes.data());
}

} // namespace

TEST(LoginAccounts, NoRecordOrASecondFormIsRefused) {
    LoginCopy dll;
    ASSERT_TRUE(dll.Load());
    EXPECT_EQ(dll.show("Login", nullptr), 0);
    EXPECT_EQ(FindOwnWindow(login::kLoginFormClass), nullptr);
    EXPECT_FALSE(fs::exists(dll.Accounts()));
    // While a form is open (here the first-account form), a second call from
    // the form's thread answers at once.
    Record record;
    std::atomic<int> nested{-1};
    Operator op([&](Operator& o) {
        HWND f = o.Wait(login::kLoginFormClass);
        if (!f)
            return;
        // The form stays until the nested call has answered.
        for (int i = 0; i < 500 && nested.load() == -1; ++i)
            Sleep(10);
        o.Click(f, IDCANCEL);
    });
    // The nested call runs inside the form's message loop, from a timer.
    nestedShow = dll.show;
    nestedAnswer = &nested;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &CallAgain);
    EXPECT_EQ(dll.show("Login", record.bytes.data()), 0);
    KillTimer(nullptr, timer);
    op.Join();
    EXPECT_EQ(nested.load(), 0);
    EXPECT_EQ(FindOwnWindow(login::kLoginFormClass), nullptr);
}

TEST(LoginAccounts, MaintenanceManagesTheAccountsFromTheForm) {
    LoginCopy dll;
    {
        AccountStore s = dll.Store();
        ASSERT_EQ(s.CreateFirst("chief", "Chief-1"), Status::Ok);
        ASSERT_EQ(s.Add("anna", Role::Operator, "Anna-1"), Status::Ok);
    }
    ASSERT_TRUE(dll.Load());
    Record record;
    const Record before;
    std::vector<std::string> statuses;
    int listAfterAdd = -1, listAtEnd = -1;
    Operator op([&](Operator& o) {
        HWND f = o.Wait(login::kLoginFormClass);
        if (!f)
            return;
        // An operator may not manage accounts.
        o.Type(f, login::kUserId, "anna");
        o.Type(f, login::kPasswordId, "Anna-1");
        o.Click(f, login::kAccountsId);
        o.Answer();
        o.Type(f, login::kUserId, "chief");
        o.Type(f, login::kPasswordId, "Chief-1");
        o.Click(f, login::kAccountsId);
        HWND a = o.Wait(login::kAccountsFormClass);
        if (!a)
            return;
        if (IsWindowEnabled(f))
            o.Note("the login form is disabled under the accounts window");
        // Add an engineer.
        o.Type(a, login::kNameId, "bert");
        SendMessageA(GetDlgItem(a, login::kRoleId), CB_SETCURSEL, 1, 0);
        o.Type(a, login::kNewPasswordId, "Bert-1");
        o.Type(a, login::kNewRepeatId, "Bert-1");
        o.Click(a, login::kAddId);
        Sleep(300);
        statuses.push_back(o.Text(a, login::kAccountsStatusId));
        listAfterAdd = static_cast<int>(SendDlgItemMessageA(a, login::kListId, LB_GETCOUNT, 0, 0));
        // Passwords that differ are refused.
        o.Type(a, login::kNameId, "carl");
        o.Type(a, login::kNewPasswordId, "Carl-1");
        o.Type(a, login::kNewRepeatId, "Carl-2");
        o.Click(a, login::kAddId);
        o.Answer();
        // Change anna: renamed to "anne", maintenance, new password.
        SendDlgItemMessageA(a, login::kListId, LB_SETCURSEL, 1, 0);
        o.Type(a, login::kNameId, "anne");
        SendMessageA(GetDlgItem(a, login::kRoleId), CB_SETCURSEL, 2, 0);
        o.Type(a, login::kNewPasswordId, "Anne-2");
        o.Type(a, login::kNewRepeatId, "Anne-2");
        o.Click(a, login::kChangeId);
        Sleep(300);
        statuses.push_back(o.Text(a, login::kAccountsStatusId));
        // Remove chief, asked first: No keeps it, Yes removes it.
        SendDlgItemMessageA(a, login::kListId, LB_SETCURSEL, 0, 0);
        o.Click(a, login::kRemoveId);
        o.Answer(IDNO);
        o.Click(a, login::kRemoveId);
        o.Answer(IDYES);
        Sleep(300);
        statuses.push_back(o.Text(a, login::kAccountsStatusId));
        listAtEnd = static_cast<int>(SendDlgItemMessageA(a, login::kListId, LB_GETCOUNT, 0, 0));
        o.Click(a, IDCANCEL);
        if (!o.Gone(login::kAccountsFormClass))
            o.Note("the accounts window stays");
        // Back at the login form, nobody logged in: cancel.
        o.Click(f, IDCANCEL);
    });
    EXPECT_EQ(dll.show("Login", record.bytes.data()), 0);
    op.Join();
    EXPECT_TRUE(op.notes.empty()) << Joined(op.notes);
    ASSERT_EQ(op.boxes.size(), 4u) << Joined(op.boxes);
    EXPECT_TRUE(Has(op.boxes[0], "Only a maintenance account")) << op.boxes[0];
    EXPECT_TRUE(Has(op.boxes[1], "differ")) << op.boxes[1];
    EXPECT_TRUE(Has(op.boxes[2], "Remove the account \"chief\"")) << op.boxes[2];
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_TRUE(Has(statuses[0], "Added \"bert\"")) << statuses[0];
    EXPECT_TRUE(Has(statuses[1], "\"anne\"")) << statuses[1];
    EXPECT_TRUE(Has(statuses[2], "Removed \"chief\"")) << statuses[2];
    EXPECT_EQ(listAfterAdd, 3);
    EXPECT_EQ(listAtEnd, 2);
    EXPECT_EQ(record.bytes, before.bytes) << "managing accounts logs nobody in";

    AccountStore s = dll.Store();
    ASSERT_EQ(s.accounts().size(), 2u);
    EXPECT_FALSE(s.Find("chief"));
    EXPECT_FALSE(s.Find("anna"));
    EXPECT_FALSE(s.Find("carl"));
    login::Verdict v = s.LogIn("anne", "Anne-2");
    EXPECT_EQ(v.status, Status::Ok);
    EXPECT_EQ(v.role, Role::Maintenance);
    v = s.LogIn("bert", "Bert-1");
    EXPECT_EQ(v.status, Status::Ok);
    EXPECT_EQ(v.role, Role::Engineer);
    EXPECT_GE(s.Find("bert")->iterations, 100000u);
    const std::vector<uint8_t> file = ReadBytes(dll.Accounts());
    EXPECT_FALSE(Contains(file, "Bert-1"));
    EXPECT_FALSE(Contains(file, "Anne-2"));
}

namespace {

// A window of the test with an edit box that has the focus.
class TypingWindow {
  public:
    TypingWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LoginKeyboardTestWindow";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, wc.lpszClassName, "typing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                               40, 400, 200, nullptr, nullptr, wc.hInstance, nullptr);
        edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 300, 24,
                               hwnd, nullptr, wc.hInstance, nullptr);
        SetForegroundWindow(hwnd);
        SetFocus(edit);
        Pump(50);
    }
    ~TypingWindow() { DestroyWindow(hwnd); }
    std::string Text() const {
        char t[256] = {};
        GetWindowTextA(edit, t, sizeof t);
        return t;
    }
    HWND hwnd, edit;
};

void Press(HWND keyboard, int key) {
    HWND k = GetDlgItem(keyboard, key);
    SendMessageA(k, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(k, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

} // namespace

TEST(LoginAccounts, ScreenKeyboardTypesWithoutTakingTheFocus) {
    LoginCopy dll;
    ASSERT_TRUE(dll.Load());
    TypingWindow w;
    ASSERT_EQ(GetFocus(), w.edit);
    dll.keyboard(1);
    Pump(50);
    HWND kb = FindOwnWindow(login::kKeyboardClass);
    ASSERT_NE(kb, nullptr);
    EXPECT_TRUE(IsWindowVisible(kb));
    const LONG ex = GetWindowLongA(kb, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_EQ(GetFocus(), w.edit) << "showing it leaves the focus where it was";
    HWND keyA = GetDlgItem(kb, 'A');
    ASSERT_NE(keyA, nullptr);
    EXPECT_EQ(SendMessageA(keyA, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(kb),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
    EXPECT_EQ(SendMessageA(kb, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(kb),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
    char label[16] = {};
    GetWindowTextA(keyA, label, sizeof label);
    EXPECT_STREQ(label, "a");

    for (int key : {int('A'), int('1'), login::kShiftKey, int('B'), int('@'), login::kSpaceKey,
                    int('Z'), int('.')})
        Press(kb, key);
    Pump(50);
    EXPECT_EQ(w.Text(), "a1B@ Z.");
    GetWindowTextA(keyA, label, sizeof label);
    EXPECT_STREQ(label, "A") << "Shift shows the capitals";
    Press(kb, login::kBackspaceKey);
    Press(kb, login::kBackspaceKey);
    Press(kb, login::kShiftKey);
    Press(kb, 'Q');
    Pump(50);
    EXPECT_EQ(w.Text(), "a1B@ q");
    EXPECT_EQ(GetFocus(), w.edit) << "the keys never take the focus";
    EXPECT_EQ(GetActiveWindow(), w.hwnd);

    // A negative mode hides it; 0 (the station's keyboard button) or any
    // other mode shows it again, the same window.
    dll.keyboard(-1);
    EXPECT_FALSE(IsWindowVisible(kb));
    dll.keyboard(0);
    EXPECT_TRUE(IsWindowVisible(kb));
    EXPECT_EQ(FindOwnWindow(login::kKeyboardClass), kb);
    dll.keyboard(-7);
    dll.keyboard(-7);
    EXPECT_FALSE(IsWindowVisible(kb));
    // Unloading the library takes the window with it.
    dll.keyboard(1);
    dll.Unload();
    EXPECT_FALSE(IsWindow(kb));
}

TEST(LoginAccounts, FormKeyboardButtonTypesIntoTheForm) {
    LoginCopy dll;
    {
        AccountStore s = dll.Store();
        ASSERT_EQ(s.CreateFirst("chief", "Chief-1"), Status::Ok);
        ASSERT_EQ(s.Add("bo", Role::Engineer, "Bo-7"), Status::Ok);
    }
    ASSERT_TRUE(dll.Load());
    Record record;
    bool keyboardShown = false;
    std::string typed;
    Operator op([&](Operator& o) {
        HWND f = o.Wait(login::kLoginFormClass);
        if (!f)
            return;
        o.Click(f, login::kKeyboardId);
        HWND kb = o.Wait(login::kKeyboardClass);
        if (!kb)
            return;
        keyboardShown = IsWindowVisible(kb) != 0;
        for (int key : {int('B'), int('O')})
            Press(kb, key);
        Sleep(100);
        typed = o.Text(f, login::kUserId);
        o.Type(f, login::kPasswordId, "Bo-7");
        o.Click(f, IDOK);
    });
    EXPECT_EQ(dll.show("Login", record.bytes.data()), 1);
    op.Join();
    EXPECT_TRUE(op.notes.empty()) << Joined(op.notes);
    EXPECT_TRUE(keyboardShown);
    EXPECT_EQ(typed, "bo") << "the keys typed into the user box";
    EXPECT_EQ(record.Rights(), 0x0081u);
    HWND kb = FindOwnWindow(login::kKeyboardClass);
    EXPECT_TRUE(!kb || !IsWindowVisible(kb)) << "the form's keyboard goes with the form";
}

namespace {

// Copies a rectangle of the screen into a 24-bit BMP file (for a person to
// look at; the screen is copied because printing a window leaves out its
// children under Wine).
bool SaveScreen(RECT r, const std::string& path) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * h;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * h);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied && out.good();
}

} // namespace

TEST(LoginAccounts, PictureForLookingAt) {
    // Not a check of its own: when LOGIN_PICTURES names a folder, the login
    // form with its screen keyboard and the accounts window are copied from
    // the screen into BMP files there, for a person to look at.
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("LOGIN_PICTURES", folder, sizeof folder))
        GTEST_SKIP() << "LOGIN_PICTURES not set";
    LoginCopy dll;
    {
        AccountStore s = dll.Store();
        ASSERT_EQ(s.CreateFirst("chief", "Chief-1"), Status::Ok);
        ASSERT_EQ(s.Add("anna", Role::Operator, "Anna-1"), Status::Ok);
        ASSERT_EQ(s.Add("bert", Role::Engineer, "Bert-1"), Status::Ok);
    }
    ASSERT_TRUE(dll.Load());
    Record record;
    bool savedLogin = false, savedAccounts = false;
    Operator op([&](Operator& o) {
        HWND f = o.Wait(login::kLoginFormClass);
        if (!f)
            return;
        o.Type(f, login::kUserId, "chief");
        o.Type(f, login::kPasswordId, "Chief-1");
        o.Click(f, login::kKeyboardId);
        HWND kb = o.Wait(login::kKeyboardClass);
        Sleep(700);
        RECT a{}, b{};
        GetWindowRect(f, &a);
        if (kb)
            GetWindowRect(kb, &b);
        RECT both{};
        UnionRect(&both, &a, &b);
        InflateRect(&both, 8, 8);
        savedLogin = SaveScreen(both, std::string(folder) + "\\login-form.bmp");
        o.Click(f, login::kAccountsId);
        HWND acc = o.Wait(login::kAccountsFormClass);
        if (acc) {
            SendDlgItemMessageA(acc, login::kListId, LB_SETCURSEL, 1, 0);
            o.Type(acc, login::kNameId, "anna");
            Sleep(700);
            RECT r{};
            GetWindowRect(acc, &r);
            InflateRect(&r, 8, 8);
            savedAccounts = SaveScreen(r, std::string(folder) + "\\login-accounts.bmp");
            o.Click(acc, IDCANCEL);
        }
        o.Gone(login::kAccountsFormClass);
        o.Click(f, IDCANCEL);
    });
    dll.show("登入 Login", record.bytes.data());
    op.Join();
    EXPECT_TRUE(savedLogin);
    EXPECT_TRUE(savedAccounts);
}
