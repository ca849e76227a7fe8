// Makes recordings of ZX Spectrum tape blocks with the ROM saving routine's
// timings, for the demo recording and for tests that need a known signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using TapBlock = std::vector<std::uint8_t>;  // flag byte, payload, checksum byte

enum class Waveform { square, rounded };

struct EncoderOptions {
    int sample_rate = 48000;         // samples per second of the output
    double speed = 1.0;              // tape speed factor: 1.05 plays 5 % fast
    double amplitude = 16000.0;      // peak level in 16-bit units
    bool invert = false;             // start with the negative half-wave
    double noise = 0.0;              // standard deviation of white noise, 16-bit units
    std::uint32_t seed = 1;          // noise generator seed
    double lead_silence_s = 0.5;     // silence before the first block
    double pause_s = 1.0;            // silence after every block
    Waveform waveform = Waveform::square;
    int pilot_pulses = -1;           // half-periods of pilot; -1: 8063 for flag < 128, else 3223
};

// One change of level: from sample `index` on, the signal is at `level`
// (-1, 0 or +1, before amplitude and inversion).
struct PulseEdge {
    std::int64_t index;
    int level;
};

// Records half-periods of a square-ish wave, accumulating exact time so that
// edges land on the nearest sample whatever the rate and speed. The samples
// are drawn only by pulse_train_end, from the edges.
struct PulseTrain {
    EncoderOptions options;
    std::vector<PulseEdge> edges;
    double time_samples = 0.0;       // exact position of the next edge, in samples
    int level = 1;                   // sign of the next half-period
    int current = 0;                 // level being output now (0: silence)
};

// Starts a train with the options' lead silence. Throws std::invalid_argument
// for a non-positive rate or speed, or a negative or non-finite amplitude,
// noise or silence length.
PulseTrain pulse_train_begin(const EncoderOptions& options);
// Appends one half-period of `t_states` T-states (3.5 MHz clock) at the current level, then flips the level.
void pulse_train_half(PulseTrain& train, double t_states);
// Appends silence (level 0) of the given length, in seconds of the recording.
void pulse_train_silence(PulseTrain& train, double seconds);
// Appends one complete block: pilot, sync, data bits (most significant first),
// the closing 1 ms pulse and the pause.
void pulse_train_block(PulseTrain& train, const TapBlock& block);
// Finishes the train: draws the waveform, adds noise, rounds and clips to
// 16 bits, and returns the samples. The train is empty afterwards.
std::vector<std::int16_t> pulse_train_end(PulseTrain& train);

// One call for a whole tape.
std::vector<std::int16_t> encode_blocks(const std::vector<TapBlock>& blocks, const EncoderOptions& options);

// Block builders; both append the XOR checksum. make_header throws
// std::invalid_argument for a type outside 0..255 or a field outside 0..65535.
TapBlock make_header(int type, const std::string& name, int data_length, int param1, int param2);
TapBlock make_data_block(std::uint8_t flag, const std::vector<std::uint8_t>& payload);
std::uint8_t xor_checksum(const std::uint8_t* bytes, std::size_t count);

// TAP files: records of a 16-bit little-endian length followed by the block.
// parse_tap stops before an incomplete record; make_tap throws
// std::length_error for a block longer than 65535 bytes.
std::vector<TapBlock> parse_tap(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> make_tap(const std::vector<TapBlock>& blocks);

// Writes samples as raw little-endian 16-bit, optionally behind a canonical
// 44-byte WAV header (mono, 16-bit, the given rate). Writes a temporary file
// beside `path` and renames it, so a failure leaves no partial file. Returns
// false on failure.
bool write_samples(const std::string& path, const std::vector<std::int16_t>& samples, bool wav_header, int sample_rate);
bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes);
