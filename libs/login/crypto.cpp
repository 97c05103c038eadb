#include "libs/login/crypto.h"

#include <windows.h>

#include <bcrypt.h>

#include <vector>

namespace login {
namespace {

bool Succeeded(NTSTATUS s) {
    return s >= 0;
}

// An open CNG algorithm provider, closed when it goes.
class Algorithm {
  public:
    Algorithm(const wchar_t* id, ULONG flags) {
        if (!Succeeded(BCryptOpenAlgorithmProvider(&handle_, id, nullptr, flags)))
            handle_ = nullptr;
    }
    ~Algorithm() {
        if (handle_)
            BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }

  private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

// A hash object with the memory CNG asks for, destroyed when it goes.
class HashObject {
  public:
    explicit HashObject(const Algorithm& alg) {
        DWORD size = 0;
        ULONG got = 0;
        if (!alg.get() ||
            !Succeeded(BCryptGetProperty(alg.get(), BCRYPT_OBJECT_LENGTH,
                                         reinterpret_cast<PUCHAR>(&size), sizeof size, &got, 0)))
            return;
        memory_.resize(size);
        if (!Succeeded(BCryptCreateHash(alg.get(), &handle_, memory_.data(), size, nullptr, 0, 0)))
            handle_ = nullptr;
    }
    ~HashObject() {
        if (handle_)
            BCryptDestroyHash(handle_);
    }
    HashObject(const HashObject&) = delete;
    HashObject& operator=(const HashObject&) = delete;
    BCRYPT_HASH_HANDLE get() const { return handle_; }

  private:
    std::vector<UCHAR> memory_;
    BCRYPT_HASH_HANDLE handle_ = nullptr;
};

} // namespace

bool Pbkdf2Sha256(std::string_view password, const uint8_t* salt, std::size_t saltSize,
                  uint32_t iterations, Digest& out) {
    if (iterations == 0)
        return false;
    const Algorithm hmac(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    if (!hmac.get())
        return false;
    // CNG takes the buffers as writable pointers but only reads them.
    std::vector<UCHAR> pw(password.begin(), password.end());
    std::vector<UCHAR> s(salt, salt + saltSize);
    const NTSTATUS st = BCryptDeriveKeyPBKDF2(
        hmac.get(), pw.empty() ? nullptr : pw.data(), static_cast<ULONG>(pw.size()),
        s.empty() ? nullptr : s.data(), static_cast<ULONG>(s.size()), iterations, out.data(),
        static_cast<ULONG>(out.size()), 0);
    SecureZeroMemory(pw.data(), pw.size());
    return Succeeded(st);
}

bool Sha256(const uint8_t* data, std::size_t size, Digest& out) {
    const Algorithm sha(BCRYPT_SHA256_ALGORITHM, 0);
    const HashObject hash(sha);
    if (!hash.get())
        return false;
    std::vector<UCHAR> copy(data, data + size);
    if (!copy.empty() &&
        !Succeeded(BCryptHashData(hash.get(), copy.data(), static_cast<ULONG>(copy.size()), 0)))
        return false;
    return Succeeded(BCryptFinishHash(hash.get(), out.data(), static_cast<ULONG>(out.size()), 0));
}

bool RandomBytes(uint8_t* data, std::size_t size) {
    return Succeeded(
        BCryptGenRandom(nullptr, data, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool SameDigest(const Digest& a, const Digest& b) {
    uint8_t diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<uint8_t>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace login
