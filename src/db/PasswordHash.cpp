#include "db/PasswordHash.h"

#include "db/DbError.h"
#include "db/Sha256.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QStringList>
#include <cstring>
#include <mutex>
#include <sodium.h>

namespace db {

using detail::Sha256;

namespace {

const QString kScheme = QStringLiteral("pbkdf2-sha256");
constexpr int kMaxIterations = 10000000;

struct HmacKey {
    Sha256::State inner; // state after hashing key ^ ipad
    Sha256::State outer; // state after hashing key ^ opad
};

HmacKey hmacKey(const QByteArray& key) {
    std::uint8_t block[64] = {};
    if (key.size() > 64) {
        Sha256 h;
        h.add(reinterpret_cast<const std::uint8_t*>(key.constData()), key.size());
        const auto d = h.finish();
        std::memcpy(block, d.data(), d.size());
    } else {
        std::memcpy(block, key.constData(), key.size());
    }
    std::uint8_t ipad[64], opad[64];
    for (int i = 0; i < 64; ++i) {
        ipad[i] = block[i] ^ 0x36;
        opad[i] = block[i] ^ 0x5c;
    }
    Sha256 in, out;
    in.add(ipad, 64);
    out.add(opad, 64);
    return {in.state(), out.state()};
}

Sha256::Digest hmac(const HmacKey& key, const std::uint8_t* data, std::size_t size) {
    Sha256 in = Sha256::fromState(key.inner, 64);
    in.add(data, size);
    return Sha256::finishAfterPad(key.outer, in.finish());
}

// HMAC of a 32-byte message: one compression for the inner and one for the outer hash.
Sha256::Digest hmac32(const HmacKey& key, const Sha256::Digest& message) {
    return Sha256::finishAfterPad(key.outer, Sha256::finishAfterPad(key.inner, message));
}

} // namespace

QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations,
                        int keyLength) {
    const HmacKey key = hmacKey(password);
    QByteArray out;
    for (std::uint32_t blockNo = 1; out.size() < keyLength; ++blockNo) {
        QByteArray first = salt;
        first.append(char(blockNo >> 24)).append(char(blockNo >> 16));
        first.append(char(blockNo >> 8)).append(char(blockNo));
        Sha256::Digest u =
            hmac(key, reinterpret_cast<const std::uint8_t*>(first.constData()), first.size());
        Sha256::Digest acc = u;
        for (int i = 1; i < iterations; ++i) {
            u = hmac32(key, u);
            for (int j = 0; j < 32; ++j)
                acc[j] ^= u[j];
        }
        out.append(reinterpret_cast<const char*>(acc.data()), 32);
    }
    out.truncate(keyLength);
    return out;
}

QString hashPasswordPbkdf2(const QString& password, int iterations) {
    if (iterations < 1) iterations = 1;
    QByteArray salt(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    const QByteArray hash = pbkdf2Sha256(password.toUtf8(), salt, iterations, 32);
    return QStringList{kScheme, QString::number(iterations), QString::fromLatin1(salt.toHex()),
                       QString::fromLatin1(hash.toHex())}
        .join(QLatin1Char('$'));
}

namespace {

void initSodium() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0) throw Error(50020, "The password library could not start.");
    });
}

const QString kArgon2Prefix = QStringLiteral("$argon2id$");

bool verifyPbkdf2(const QString& password, const QString& stored) {
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != kScheme) return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < 1 || iterations > kMaxIterations) return false;
    const QByteArray salt = QByteArray::fromHex(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromHex(parts[3].toLatin1());
    if (salt.isEmpty() || expected.size() < 16 || expected.toHex() != parts[3].toLatin1().toLower())
        return false;
    const QByteArray actual = pbkdf2Sha256(password.toUtf8(), salt, iterations, expected.size());
    unsigned char diff = 0;
    for (int i = 0; i < expected.size(); ++i)
        diff |= static_cast<unsigned char>(actual[i] ^ expected[i]);
    return diff == 0;
}

} // namespace

PasswordCost standardPasswordCost() { return {}; }

QString hashPassword(const QString& password, const PasswordCost& cost) {
    initSodium();
    const QByteArray pw = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, pw.constData(), std::size_t(pw.size()), cost.passes,
                              cost.memoryBytes, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw Error(50021, "There is not enough memory to compute a password hash.");
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString& password, const QString& stored) {
    if (stored.startsWith(kArgon2Prefix)) {
        initSodium();
        const QByteArray s = stored.toLatin1();
        if (s.size() >= crypto_pwhash_STRBYTES) return false;
        const QByteArray pw = password.toUtf8();
        return crypto_pwhash_str_verify(s.constData(), pw.constData(), std::size_t(pw.size())) ==
               0;
    }
    return verifyPbkdf2(password, stored);
}

bool verifyPasswordOfNobody(const QString& password) {
    // A hash at today's cost of a random password nobody knows (made once, kept here so that
    // the first unknown ID of a run costs no more than the next): verifying against it does
    // the work of a real check.
    static const QString nobody = QStringLiteral(
        "$argon2id$v=19$m=19456,t=2,p=1$/4vDvuqUulxZhlePKAZOAQ$"
        "oJJSNL/anqeOKbyVyuQ50kUygznKA3wP9jo3xR5KkmY");
    verifyPassword(password, nobody);
    return false;
}

bool passwordNeedsRehash(const QString& stored, const PasswordCost& cost) {
    if (!stored.startsWith(kArgon2Prefix)) return true;
    initSodium();
    return crypto_pwhash_str_needs_rehash(stored.toLatin1().constData(), cost.passes,
                                          cost.memoryBytes) != 0;
}

} // namespace db
