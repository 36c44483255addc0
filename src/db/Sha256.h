#pragma once
// SHA-256 with access to the intermediate state, so that HMAC can reuse the hashed key blocks
// across the many iterations of PBKDF2 instead of hashing them again each time.
#include <array>
#include <cstddef>
#include <cstdint>

namespace db::detail {

class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;
    using State = std::array<std::uint32_t, 8>;

    Sha256();
    void add(const std::uint8_t* data, std::size_t size);
    Digest finish();

    // The state after whole 64-byte blocks only (used for HMAC's key pads).
    const State& state() const { return state_; }
    static Sha256 fromState(const State& state, std::uint64_t bytesHashed);

    // Compresses one 32-byte message that follows exactly one hashed block (the HMAC pad):
    // the padded second block is fixed, so this is a single compression.
    static Digest finishAfterPad(const State& padState, const Digest& message);

private:
    static void compress(State& state, const std::uint8_t* block);
    State state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t total_ = 0;
};

} // namespace db::detail
