// Real audio files through --convert, and several recordings in one command.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <string>

#include "support/test_files.h"
#include "support/test_tapes.h"

namespace {
using Collections = FolderTest;

std::vector<TapBlock> short_tape() {
    const std::vector<TapBlock> tape = test_tape();
    return {tape[1], tape[2], tape[3], tape[4]};
}

std::vector<std::int16_t> recorded_at(int rate) {
    EncoderOptions options;
    options.sample_rate = rate;
    options.waveform = Waveform::rounded;
    options.noise = 400;
    return encode_blocks(short_tape(), options);
}

// A new sound file; null, and the test failed, when it cannot be made.
SNDFILE* create_sound(const std::string& path, int rate, int channels, int format) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
    return f;
}

// Writes `left` (and, for two channels, low noise on the right) in the given format.
void write_audio(const std::string& path, const std::vector<std::int16_t>& left, int rate, int channels, int format) {
    SNDFILE* f = create_sound(path, rate, channels, format);
    if (f == nullptr) return;
    std::vector<int> frames;
    for (std::size_t k = 0; k < left.size(); ++k) {
        frames.push_back(left[k] * 65536);
        if (channels == 2) frames.push_back(static_cast<int>((k * 2654435761u) % 2001) * 65536 - 1000 * 65536);
    }
    sf_writef_int(f, frames.data(), static_cast<sf_count_t>(left.size()));
    sf_close(f);
}

// Start times of the block lines of a log, in seconds.
std::vector<int> block_times(const std::vector<std::uint8_t>& log_bytes) {
    const std::string log(log_bytes.begin(), log_bytes.end());
    std::vector<int> times;
    for (std::size_t at = log.find("\r\n"); at != std::string::npos; at = log.find("\r\n", at + 2)) {
        int m = 0, s = 0;
        if (std::sscanf(log.c_str() + at + 2, "%d:%d-", &m, &s) == 2 && log.compare(at + 7, 1, "-") == 0) {
            times.push_back(m * 60 + s);
        }
    }
    return times;
}

TEST_F(Collections, ConvertingA48kMonoWavGivesExactlyTheRawRun) {
    const std::vector<std::int16_t> samples = recorded_at(48000);
    write_bytes(at("raw.raw"), samples_as_bytes(samples));
    write_audio(at("wav.wav"), samples, 48000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    ASSERT_EQ(run_cli({"raw.raw"}, dir.path).status, 0);
    ASSERT_EQ(run_cli({"--convert", "wav.wav"}, dir.path).status, 0);
    EXPECT_EQ(list_outputs(at("raw")), list_outputs(at("wav")));
    for (const std::string& f : list_outputs(at("raw"))) EXPECT_EQ(bytes_of("raw/" + f), bytes_of("wav/" + f)) << f;
}

TEST_F(Collections, StereoTwentyFourBitAndFlacAt44kAreRecoveredWithTheirTimes) {
    const std::vector<std::int16_t> reference = recorded_at(48000);
    write_bytes(at("reference.raw"), samples_as_bytes(reference));
    ASSERT_EQ(run_cli({"reference.raw"}, dir.path).status, 0);
    const std::vector<int> reference_times = block_times(bytes_of("reference/Log.txt"));
    ASSERT_EQ(reference_times.size(), 4u);

    const std::vector<std::int16_t> samples = recorded_at(44100);
    write_audio(at("stereo.wav"), samples, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    write_audio(at("lossless.flac"), samples, 44100, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    for (const char* name : {"stereo", "lossless"}) {
        const std::string file = std::string(name) + (std::string(name) == "stereo" ? ".wav" : ".flac");
        const CliResult r = run_cli({"--convert", file}, dir.path);
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(parse_tap(bytes_of(std::string(name) + "/000_prog one.tap")), short_tape()) << name;
        const std::vector<int> times = block_times(bytes_of(std::string(name) + "/Log.txt"));
        ASSERT_EQ(times.size(), reference_times.size()) << name;
        for (std::size_t k = 0; k < times.size(); ++k) EXPECT_NEAR(times[k], reference_times[k], 1) << name;
    }
}

TEST_F(Collections, TheChosenChannelIsTheOneDecoded) {
    // The tape on the right, noise on the left: only --channel right finds it.
    const std::vector<std::int16_t> samples = recorded_at(48000);
    SNDFILE* f = create_sound(at("swapped.wav"), 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    ASSERT_NE(f, nullptr);
    std::vector<short> frames;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        frames.push_back(static_cast<short>(static_cast<int>((k * 2654435761u) % 2001) - 1000));
        frames.push_back(samples[k]);
    }
    sf_writef_short(f, frames.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
    EXPECT_EQ(run_cli({"--convert", "swapped.wav"}, dir.path).status, 2);  // left: no block
    EXPECT_EQ(run_cli({"--convert", "--channel", "right", "--out", "right", "swapped.wav"}, dir.path).status, 0);
    EXPECT_EQ(parse_tap(bytes_of("right/swapped/000_prog one.tap")), short_tape());
}

TEST_F(Collections, StandardInputIsReadWhateverFileIsNamedLikeItsFolder) {
    // "stdin.raw" in the current folder was once decoded in place of standard input.
    write_audio(at("stdin.raw"), encode_blocks({make_data_block(0xFF, {9, 9})}, {}), 48000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    write_audio(at("tape.wav"), recorded_at(48000), 48000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    for (const char* convert : {"--convert", "--quiet"}) {
        const CliResult r = run_cli({convert, "--out", convert, "-"}, dir.path, "tape.wav");
        EXPECT_EQ(r.status, 0) << convert << r.err;
        EXPECT_EQ(parse_tap(bytes_of(std::string(convert) + "/stdin/000_prog one.tap")), short_tape()) << convert;
    }
}

TEST_F(Collections, AudioFilesAreReadAsTheyAreAndRawOnlyWhenAsked) {
    // Audio of another shape is decoded by itself, exactly as --convert does it.
    const std::vector<std::int16_t> samples = recorded_at(44100);
    write_audio(at("cd.wav"), samples, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    write_audio(at("cd.flac"), samples, 44100, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    write_audio(at("mono8.wav"), recorded_at(48000), 48000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
    const CliResult mono8 = run_cli({"--channel", "mix", "--out", "as-is", "mono8.wav"}, dir.path);
    EXPECT_EQ(mono8.err, "velliqor: " + at("mono8.wav") +
                             " is a WAV file: 8-bit; converting it to 48 kHz 16-bit mono (--raw reads its bytes as samples)\n");
    // Float samples past full scale are clipped, and the line says whose they are.
    SNDFILE* loud_file = create_sound(at("loud.wav"), 48000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_NE(loud_file, nullptr);
    std::vector<float> loud_samples;
    for (std::int16_t v : recorded_at(48000)) loud_samples.push_back(static_cast<float>(v) / 8000.0f);
    sf_writef_float(loud_file, loud_samples.data(), static_cast<sf_count_t>(loud_samples.size()));
    sf_close(loud_file);
    const CliResult loud = run_cli({"--out", "as-is", "loud.wav"}, dir.path);
    EXPECT_NE(loud.err.find("\nvelliqor: " + at("loud.wav") + ": "), std::string::npos) << loud.err;
    EXPECT_NE(loud.err.find(" samples went past the 16-bit range in the conversion and were clipped\n"), std::string::npos);
    for (const char* name : {"cd.wav", "cd.flac"}) {
        const CliResult as_is = run_cli({"--out", "as-is", name}, dir.path);
        EXPECT_EQ(as_is.status, 0) << name << as_is.err;
        const std::string why = std::string(name) == "cd.wav" ? " is a WAV file: 24-bit, " : " is a FLAC file: ";
        EXPECT_NE(as_is.err.find(name + why + "44,100 Hz, 2 channels (taking the left); converting it"), std::string::npos)
            << as_is.err;
        EXPECT_EQ(run_cli({"--convert", "--out", "converted", name}, dir.path).status, 0);
        const std::string folder = std::string(name) == "cd.wav" ? "/cd" : "/cd-2";
        EXPECT_EQ(bytes_of("as-is" + folder + "/000_prog one.tap"), bytes_of("converted" + folder + "/000_prog one.tap")) << name;
    }
    // --raw reads the bytes as they stand: nothing is found in interleaved 24-bit samples.
    EXPECT_EQ(run_cli({"--raw", "--out", "raw", "cd.wav"}, dir.path).status, 2);
    // A 48 kHz 16-bit mono WAV is read raw as it always was, and says nothing.
    write_audio(at("mono.wav"), recorded_at(48000), 48000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const CliResult mono = run_cli({"mono.wav"}, dir.path);
    EXPECT_EQ(mono.err, "");
    write_bytes(at("mono.raw"), std::vector<std::uint8_t>(bytes_of("mono.wav")));
    ASSERT_EQ(run_cli({"mono.raw"}, dir.path).status, mono.status);
    EXPECT_EQ(list_outputs(at("mono")), list_outputs(at("mono-2")));  // the same bytes as a headerless file
    for (const std::string& f : list_outputs(at("mono"))) EXPECT_EQ(bytes_of("mono/" + f), bytes_of("mono-2/" + f)) << f;
    // A file that claims a format but is damaged is refused, not read as noise.
    std::vector<std::uint8_t> broken = bytes_of("cd.flac");
    broken.resize(60);
    write_bytes(at("broken.flac"), broken);
    const CliResult refused = run_cli({"broken.flac"}, dir.path);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("the header says it is a FLAC file, but it cannot be decoded"), std::string::npos) << refused.err;
}

TEST_F(Collections, BatchRunsEqualSingleRunsAndADamagedOneStopsNothing) {
    write_bytes(at("a.raw"), samples_as_bytes(recorded_at(48000)));
    write_bytes(at("b.raw"), std::vector<std::uint8_t>(5001, 0x80));  // noise-free garbage, odd length
    EncoderOptions fast;
    fast.speed = 1.04;
    write_bytes(at("c.raw"), samples_as_bytes(encode_blocks(short_tape(), fast)));
    for (const char* name : {"a", "b", "c"}) {
        ASSERT_NE(run_cli({"--out", "single", std::string(name) + ".raw"}, dir.path).status, 1);
    }
    for (const char* jobs : {"1", "3"}) {
        const std::string out = std::string("batch") + jobs;
        const CliResult r = run_cli({"-j", jobs, "--out", out, "a.raw", "b.raw", "c.raw"}, dir.path);
        EXPECT_EQ(r.status, 2) << r.err;  // the worst: b has no block
        EXPECT_EQ(list_folder(at(out)), (std::vector<std::string>{"a", "b", "c"}));
        for (const char* name : {"a", "b", "c"}) {
            const std::string folder = std::string("/") + name;
            EXPECT_EQ(list_folder(at("single") + folder), list_folder(at(out) + folder));
            for (const std::string& f : list_folder(at("single") + folder)) {
                EXPECT_EQ(bytes_of("single" + folder + "/" + f), bytes_of(out + folder + "/" + f)) << out << folder << f;
            }
        }
        // The summary keeps the order of the command line.
        const std::size_t a = r.out.find("a.raw"), b = r.out.find("b.raw"), c = r.out.find("c.raw");
        EXPECT_LT(a, b);
        EXPECT_LT(b, c);
        EXPECT_NE(r.out.find("no blocks"), std::string::npos) << r.out;
    }
}
}  // namespace
