#include "tools/tape_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "common/rom_timing.h"

namespace {

constexpr double closing_t = 3500.0;  // 1 ms
constexpr double transition_s = 100e-6;
constexpr double pi = 3.14159265358979323846;

// Our own generator so that every platform makes the same noise.
struct NoiseSource {
    std::uint64_t state;
    bool has_spare;
    double spare;
};

std::uint64_t splitmix64(std::uint64_t& state) {
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Uniform in (0, 1], so the logarithm below stays finite.
double unit_interval(std::uint64_t& state) {
    return static_cast<double>((splitmix64(state) >> 11) + 1) * 0x1p-53;
}

double gaussian(NoiseSource& source) {
    if (source.has_spare) {
        source.has_spare = false;
        return source.spare;
    }
    const double radius = std::sqrt(-2.0 * std::log(unit_interval(source.state)));
    const double angle = 2.0 * pi * unit_interval(source.state);
    source.spare = radius * std::sin(angle);
    source.has_spare = true;
    return radius * std::cos(angle);
}

bool finite_non_negative(double value) { return std::isfinite(value) && value >= 0.0; }

void check_options(const EncoderOptions& options) {
    if (options.sample_rate <= 0) throw std::invalid_argument("sample rate must be positive");
    if (!std::isfinite(options.speed) || options.speed <= 0.0) throw std::invalid_argument("speed must be positive");
    if (!finite_non_negative(options.amplitude)) throw std::invalid_argument("amplitude must be finite and not negative");
    if (!finite_non_negative(options.noise)) throw std::invalid_argument("noise must be finite and not negative");
    if (!finite_non_negative(options.lead_silence_s) || !finite_non_negative(options.pause_s))
        throw std::invalid_argument("silence lengths must be finite and not negative");
}

void change_level(PulseTrain& train, int level) {
    if (level == train.current) return;
    train.edges.push_back({std::llround(train.time_samples), level});
    train.current = level;
}

void append_byte(PulseTrain& train, std::uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
        const double t = ((byte >> bit) & 1) ? rom_one_pulse : rom_zero_pulse;
        pulse_train_half(train, t);
        pulse_train_half(train, t);
    }
}

// Replaces each jump by a raised-cosine ramp centred between the sample
// before the edge and the edge's sample, where the jump itself lies, so both
// waveforms cross zero at the same places.
void round_edges(const std::vector<PulseEdge>& edges, double scale, int sample_rate, std::vector<double>& wave) {
    const double width = transition_s * sample_rate;
    const double half = width / 2.0;
    const auto length = static_cast<std::int64_t>(wave.size());
    int before = 0;
    for (const PulseEdge& edge : edges) {
        const double delta = (edge.level - before) * scale;
        before = edge.level;
        const double centre = static_cast<double>(edge.index) - 0.5;
        const auto first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(centre - half)));
        const auto last = std::min<std::int64_t>(length - 1, static_cast<std::int64_t>(std::floor(centre + half)));
        for (std::int64_t n = first; n <= last; ++n) {
            const double x = static_cast<double>(n) - centre;
            const double ramp = 0.5 + 0.5 * std::sin(pi * x / width);
            const double step = x > 0.0 ? 1.0 : 0.0;
            wave[static_cast<std::size_t>(n)] += delta * (ramp - step);
        }
    }
}

void put_le16(std::vector<std::uint8_t>& bytes, unsigned value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put_le32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    put_le16(bytes, value & 0xFFFF);
    put_le16(bytes, value >> 16);
}

void put_text(std::vector<std::uint8_t>& bytes, const char* text) {
    for (; *text; ++text) bytes.push_back(static_cast<std::uint8_t>(*text));
}

void check_field(int value, int max, const char* what) {
    if (value < 0 || value > max) throw std::invalid_argument(std::string(what) + " out of range: " + std::to_string(value));
}

bool write_whole_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

}  // namespace

PulseTrain pulse_train_begin(const EncoderOptions& options) {
    check_options(options);
    PulseTrain train;
    train.options = options;
    pulse_train_silence(train, options.lead_silence_s);
    return train;
}

void pulse_train_half(PulseTrain& train, double t_states) {
    if (!finite_non_negative(t_states)) throw std::invalid_argument("half-period must be finite and not negative");
    change_level(train, train.level);
    train.time_samples += t_states * train.options.sample_rate / rom_clock_hz / train.options.speed;
    train.level = -train.level;
}

void pulse_train_silence(PulseTrain& train, double seconds) {
    if (!finite_non_negative(seconds)) throw std::invalid_argument("silence must be finite and not negative");
    change_level(train, 0);
    train.time_samples += seconds * train.options.sample_rate;
}

void pulse_train_block(PulseTrain& train, const TapBlock& block) {
    int pilot_halves = train.options.pilot_pulses;
    if (pilot_halves < 0) pilot_halves = (!block.empty() && block[0] < 128) ? rom_header_pilot_pulses : rom_data_pilot_pulses;
    for (int i = 0; i < pilot_halves; ++i) pulse_train_half(train, rom_pilot_pulse);
    pulse_train_half(train, rom_sync1_pulse);
    pulse_train_half(train, rom_sync2_pulse);
    for (std::uint8_t byte : block) append_byte(train, byte);
    pulse_train_half(train, closing_t);
    pulse_train_silence(train, train.options.pause_s);
}

std::vector<std::int16_t> pulse_train_end(PulseTrain& train) {
    const EncoderOptions& options = train.options;
    const auto length = static_cast<std::size_t>(std::max<std::int64_t>(0, std::llround(train.time_samples)));
    const double scale = options.invert ? -options.amplitude : options.amplitude;

    std::vector<double> wave(length, 0.0);
    for (std::size_t k = 0; k < train.edges.size(); ++k) {
        const std::int64_t end = k + 1 < train.edges.size() ? train.edges[k + 1].index : static_cast<std::int64_t>(length);
        const auto from = static_cast<std::size_t>(std::clamp<std::int64_t>(train.edges[k].index, 0, static_cast<std::int64_t>(length)));
        const auto to = static_cast<std::size_t>(std::clamp<std::int64_t>(end, 0, static_cast<std::int64_t>(length)));
        for (std::size_t n = from; n < to; ++n) wave[n] = train.edges[k].level * scale;
    }
    if (options.waveform == Waveform::rounded) round_edges(train.edges, scale, options.sample_rate, wave);

    NoiseSource source{options.seed, false, 0.0};
    std::vector<std::int16_t> samples(length);
    for (std::size_t n = 0; n < length; ++n) {
        double value = wave[n];
        if (options.noise > 0.0) value += options.noise * gaussian(source);
        value = std::clamp(std::round(value), -32768.0, 32767.0);
        samples[n] = static_cast<std::int16_t>(value);
    }

    train.edges.clear();
    train.time_samples = 0.0;
    train.level = 1;
    train.current = 0;
    return samples;
}

std::vector<std::int16_t> encode_blocks(const std::vector<TapBlock>& blocks, const EncoderOptions& options) {
    PulseTrain train = pulse_train_begin(options);
    for (const TapBlock& block : blocks) pulse_train_block(train, block);
    return pulse_train_end(train);
}

std::uint8_t xor_checksum(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum ^= bytes[i];
    return sum;
}

TapBlock make_header(int type, const std::string& name, int data_length, int param1, int param2) {
    check_field(type, 0xFF, "header type");
    check_field(data_length, 0xFFFF, "data length");
    check_field(param1, 0xFFFF, "header parameter 1");
    check_field(param2, 0xFFFF, "header parameter 2");
    TapBlock block{0x00, static_cast<std::uint8_t>(type)};
    for (std::size_t i = 0; i < 10; ++i) block.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : ' ');
    put_le16(block, static_cast<unsigned>(data_length));
    put_le16(block, static_cast<unsigned>(param1));
    put_le16(block, static_cast<unsigned>(param2));
    block.push_back(xor_checksum(block.data(), block.size()));
    return block;
}

TapBlock make_data_block(std::uint8_t flag, const std::vector<std::uint8_t>& payload) {
    TapBlock block(payload.size() + 2);
    block.front() = flag;
    std::copy(payload.begin(), payload.end(), block.begin() + 1);
    block.back() = xor_checksum(block.data(), block.size() - 1);
    return block;
}

std::vector<TapBlock> parse_tap(const std::vector<std::uint8_t>& bytes) {
    std::vector<TapBlock> blocks;
    std::size_t pos = 0;
    while (bytes.size() - pos >= 2) {
        const std::size_t length = bytes[pos] | (static_cast<std::size_t>(bytes[pos + 1]) << 8);
        if (bytes.size() - pos - 2 < length) break;
        const auto start = bytes.begin() + static_cast<std::ptrdiff_t>(pos + 2);
        blocks.emplace_back(start, start + static_cast<std::ptrdiff_t>(length));
        pos += 2 + length;
    }
    return blocks;
}

std::vector<std::uint8_t> make_tap(const std::vector<TapBlock>& blocks) {
    std::vector<std::uint8_t> bytes;
    for (const TapBlock& block : blocks) {
        if (block.size() > 0xFFFF) throw std::length_error("block too long for a TAP record: " + std::to_string(block.size()));
        put_le16(bytes, static_cast<unsigned>(block.size()));
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    return bytes;
}

bool write_samples(const std::string& path, const std::vector<std::int16_t>& samples, bool wav_header, int sample_rate) {
    if (path.empty() || sample_rate <= 0) return false;
    // The WAV sizes are 32-bit fields.
    const std::uint64_t data_size = static_cast<std::uint64_t>(samples.size()) * 2;
    if (wav_header && data_size > 0xFFFFFFFFull - 36) return false;

    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(data_size) + 44);
    if (wav_header) {
        put_text(bytes, "RIFF");
        put_le32(bytes, static_cast<std::uint32_t>(36 + data_size));
        put_text(bytes, "WAVE");
        put_text(bytes, "fmt ");
        put_le32(bytes, 16);
        put_le16(bytes, 1);  // PCM
        put_le16(bytes, 1);  // mono
        put_le32(bytes, static_cast<std::uint32_t>(sample_rate));
        put_le32(bytes, static_cast<std::uint32_t>(sample_rate) * 2);
        put_le16(bytes, 2);   // bytes per frame
        put_le16(bytes, 16);  // bits per sample
        put_text(bytes, "data");
        put_le32(bytes, static_cast<std::uint32_t>(data_size));
    }
    for (std::int16_t sample : samples) put_le16(bytes, static_cast<std::uint16_t>(sample));

    const std::string temp = path + ".partial";
    if (!write_whole_file(temp, bytes)) {
        std::remove(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        // Some platforms refuse to rename over an existing file; never remove
        // anything but a plain file, though (remove() also takes empty folders).
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) std::remove(path.c_str());
        if (std::rename(temp.c_str(), path.c_str()) != 0) {
            std::remove(temp.c_str());
            return false;
        }
    }
    return true;
}

bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<std::uint8_t> data;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        data.insert(data.end(), chunk, chunk + in.gcount());
        if (!in) break;
    }
    // A read error (a directory, say) sets badbit; end of file only eof and fail.
    if (in.bad() || !in.eof()) return false;
    bytes = std::move(data);
    return true;
}
