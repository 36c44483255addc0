#pragma once
// Password hashes stored in the user table: PBKDF2-HMAC-SHA256 with a random salt, written as
// the self-describing text "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>".
#include <QString>

namespace db {

inline constexpr int kPasswordIterations = 100000;

// A new hash of `password` with a fresh 16-byte random salt.
QString hashPassword(const QString& password, int iterations = kPasswordIterations);

// True when `stored` is a hash of `password`; false for a wrong password and for any text that
// is not a well-formed hash. The comparison takes the same time wherever the hashes differ.
bool verifyPassword(const QString& password, const QString& stored);

// PBKDF2-HMAC-SHA256 itself (UTF-8 password bytes), for the hash format above.
QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations,
                        int keyLength);

} // namespace db
