// The Windows CNG primitives that the operator accounts rest on: PBKDF2 with
// HMAC-SHA256 for the password hashes, SHA-256 for the accounts file's check
// value, and the system's random generator for the salts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace login {

using Digest = std::array<uint8_t, 32>;

// PBKDF2-HMAC-SHA256 of the password over the salt; false when CNG fails.
bool Pbkdf2Sha256(std::string_view password, const uint8_t* salt, std::size_t saltSize,
                  uint32_t iterations, Digest& out);

// SHA-256 of the bytes; false when CNG fails.
bool Sha256(const uint8_t* data, std::size_t size, Digest& out);

// Fills the buffer from the system's preferred random generator.
bool RandomBytes(uint8_t* data, std::size_t size);

// Equality that takes the same time wherever the first difference lies.
bool SameDigest(const Digest& a, const Digest& b);

} // namespace login
