// Writes the first inputs of the --convert fuzzer: a short recording of real
// blocks in the formats and shapes people's files come in, and damaged ones.
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/tape_encoder.h"

namespace {
// The recording on the first channel; the others get it halved.
bool write_sound(const std::string& path, const std::vector<std::int16_t>& samples, int rate, int channels,
                 int format) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) return false;
    std::vector<int> frames;
    for (std::int16_t s : samples) {
        for (int c = 0; c < channels; ++c) frames.push_back((c == 0 ? s : s / 2) * 65536);
    }
    const auto n = static_cast<sf_count_t>(samples.size());
    const bool written = sf_writef_int(f, frames.data(), n) == n;
    return sf_close(f) == 0 && written;
}

std::vector<std::int16_t> recorded(int rate) {
    EncoderOptions o;
    o.sample_rate = rate;
    o.pilot_pulses = 200;
    o.lead_silence_s = 0.005;
    o.pause_s = 0.01;
    o.waveform = Waveform::rounded;
    o.noise = 300;
    return encode_blocks({make_data_block(0xFF, {0x00, 0xFF, 0x55, 0xAA})}, o);
}

// Overwrites (or with `flip`, XORs) bytes from `at`; a negative `at` counts from the end.
bool patch(const std::string& path, long at, const std::vector<unsigned char>& bytes, bool flip) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (f == nullptr) return false;
    bool ok = std::fseek(f, at, at < 0 ? SEEK_END : SEEK_SET) == 0;
    for (unsigned char b : bytes) {
        const int old = std::fgetc(f);
        ok = ok && old != EOF && std::fseek(f, -1, SEEK_CUR) == 0 && std::fputc(flip ? old ^ b : b, f) != EOF;
        ok = ok && std::fseek(f, 0, SEEK_CUR) == 0;
    }
    return std::fclose(f) == 0 && ok;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_convert_seeds FOLDER\n");
        return 2;
    }
    const std::string at = std::string(argv[1]) + "/";
    const int pcm16 = SF_FORMAT_PCM_16;
    bool ok = write_sound(at + "mono_16bit_48k.wav", recorded(48000), 48000, 1, SF_FORMAT_WAV | pcm16) &&
              write_sound(at + "stereo_24bit_44k.wav", recorded(44100), 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24) &&
              write_sound(at + "float_48k.wav", recorded(48000), 48000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT) &&
              write_sound(at + "double_32k.wav", recorded(32000), 32000, 1, SF_FORMAT_WAV | SF_FORMAT_DOUBLE) &&
              write_sound(at + "unsigned_8bit_22k.wav", recorded(22050), 22050, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8) &&
              write_sound(at + "stereo_16bit_44k.aiff", recorded(44100), 44100, 2, SF_FORMAT_AIFF | pcm16) &&
              write_sound(at + "mono_16bit_44k.flac", recorded(44100), 44100, 1, SF_FORMAT_FLAC | pcm16) &&
              write_sound(at + "damaged_frame.flac", recorded(44100), 44100, 1, SF_FORMAT_FLAC | pcm16) &&
              write_sound(at + "rate_1_hz.wav", recorded(8000), 8000, 1, SF_FORMAT_WAV | pcm16);
    ok = ok && write_sound(at + "big_endian_48k.wav", recorded(48000), 48000, 1, SF_FORMAT_WAV | pcm16 | SF_ENDIAN_BIG) &&
         write_sound(at + "cut_16bit_48k.caf", recorded(48000), 48000, 1, SF_FORMAT_CAF | pcm16) &&
         write_sound(at + "cut_stereo_44k.aiff", recorded(44100), 44100, 2, SF_FORMAT_AIFF | pcm16);
    // Bytes flipped in the last of the FLAC's two frames; the WAV's rate and byte rate set to 1 and 2;
    // the CAF and the AIFF cut short of what their headers announce.
    ok = ok && patch(at + "damaged_frame.flac", -2000, std::vector<unsigned char>(16, 0x5A), true) &&
         patch(at + "rate_1_hz.wav", 24, {1, 0, 0, 0, 2, 0, 0, 0}, false) &&
         truncate((at + "cut_16bit_48k.caf").c_str(), 5000) == 0 &&
         truncate((at + "cut_stereo_44k.aiff").c_str(), 5000) == 0;
    // MP3 where this libsndfile writes it (1.1.0 and later, built with LAME).
    SF_INFO mp3{0, 48000, 1, 0x230082, 0, 0};  // SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III
    if (ok && sf_format_check(&mp3) == SF_TRUE) {
        ok = write_sound(at + "mono_48k.mp3", recorded(48000), 48000, 1, mp3.format);
    }
    if (!ok) std::fprintf(stderr, "make_convert_seeds: could not write the seeds in %s\n", argv[1]);
    return ok ? 0 : 1;
}
