#pragma once
// Password hashes stored in the user table. New hashes are Argon2id (libsodium's text form
// "$argon2id$v=19$m=<KiB>,t=<passes>,p=1$<salt>$<hash>"); hashes of earlier versions,
// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>", are still verified so that their users
// can sign in once and have them replaced (passwordNeedsRehash).
#include <QString>

namespace db {

// Argon2id's cost: passes over memory and the memory itself.
struct PasswordCost {
    unsigned long long passes = 2;
    std::size_t memoryBytes = std::size_t(19) * 1024 * 1024;
    // A cost for tests that create many users: the format is the same, the work is not.
    static PasswordCost cheapForTests() { return {1, 8 * 1024}; }
};

// The cost of new hashes: 19 MiB and two passes, the first of OWASP's Argon2id settings.
PasswordCost standardPasswordCost();

// A new Argon2id hash of `password` with a fresh random salt. Raises db::Error when the
// memory it needs cannot be had.
QString hashPassword(const QString& password, const PasswordCost& cost = standardPasswordCost());

// True when `stored` is a hash of `password` (either form); false for a wrong password and for
// any text that is not a well-formed hash. The comparison takes the same time wherever the
// hashes differ.
bool verifyPassword(const QString& password, const QString& stored);

// Costs what verifying a password against a standard hash costs, and is always false: the
// answer for an employee ID that does not exist, so that it cannot be told from a wrong
// password by the time it takes.
bool verifyPasswordOfNobody(const QString& password);

// True when `stored` is not an Argon2id hash of at least `cost` (an older form, or cheaper).
bool passwordNeedsRehash(const QString& stored, const PasswordCost& cost = standardPasswordCost());

// The earlier form, kept for verifying stored hashes and for tests of it.
inline constexpr int kPbkdf2Iterations = 100000;
QString hashPasswordPbkdf2(const QString& password, int iterations = kPbkdf2Iterations);

// PBKDF2-HMAC-SHA256 itself (UTF-8 password bytes), for the earlier hash form.
QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations,
                        int keyLength);

} // namespace db
