#include "support/test_tapes.h"

namespace {
constexpr double zero_t = 855, one_t = 1710, pilot_t = 2168;  // half-periods in T-states
}

std::vector<std::uint8_t> pattern(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t k = 0; k < n; ++k) v[k] = static_cast<std::uint8_t>((k * seed) ^ (k >> 3) ^ seed);
    return v;
}

std::vector<TapBlock> test_tape() {
    TapBlock bad = make_data_block(0xFF, pattern(30, 5));
    bad.back() ^= 0x5A;
    return {make_data_block(0x42, pattern(40, 3)),
            make_header(0, "prog one", 120, 10, 120),
            make_data_block(0xFF, pattern(120, 7)),
            make_header(3, "code", 500, 32768, 0),
            make_data_block(0xFF, pattern(500, 11)),
            make_header(3, "pic", 6912, 16384, 0),
            make_data_block(0xFF, pattern(6912, 13)),
            bad};
}

namespace {
void pilot_and_sync(PulseTrain& t) {
    for (int k = 0; k < 600; ++k) pulse_train_half(t, pilot_t);
    pulse_train_half(t, 667);
    pulse_train_half(t, 735);
}

void bits_into(PulseTrain& t, const std::string& bits) {
    for (char c : bits) {
        if (c == 'p') {
            pilot_and_sync(t);
            continue;
        }
        if (c == 'x') {
            pulse_train_silence(t, 2 * zero_t / 3.5e6);
            continue;
        }
        pulse_train_half(t, c == '1' ? one_t : zero_t);
        pulse_train_half(t, c == '1' ? one_t : zero_t);
    }
}

std::vector<std::int16_t> close_train(PulseTrain& t) {
    pulse_train_half(t, 3500);
    pulse_train_silence(t, 1.0);
    return pulse_train_end(t);
}
}  // namespace

std::vector<std::int16_t> bit_pattern(const std::string& bits, const EncoderOptions& options) {
    PulseTrain t = pulse_train_begin(options);
    pilot_and_sync(t);
    bits_into(t, bits);
    return close_train(t);
}

std::vector<std::int16_t> bit_pattern_with_dropout(const std::string& before, double lost_cycles,
                                                   const std::string& after, const EncoderOptions& options) {
    PulseTrain t = pulse_train_begin(options);
    pilot_and_sync(t);
    bits_into(t, before);
    pulse_train_silence(t, lost_cycles * 2 * zero_t / 3.5e6 / options.speed);
    bits_into(t, after);
    return close_train(t);
}
