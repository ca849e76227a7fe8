// --convert on damaged files and lying headers, on float samples, and from a pipe.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <type_traits>

#include "app/linux/audio_convert.h"
#include "support/test_files.h"
#include "support/test_tapes.h"

namespace {
const std::vector<TapBlock> tape = test_tape();
const std::vector<TapBlock> first_blocks{tape[1], tape[2]}, later_blocks{tape[3], tape[4]};
constexpr int flac_16 = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;

template <typename T>
void write_sound(const std::string& path, const std::vector<T>& samples, int rate, int format) {
    SF_INFO info{0, rate, 1, format, 0, 0};
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const auto n = static_cast<sf_count_t>(samples.size());
    if constexpr (std::is_same_v<T, float>) sf_writef_float(f, samples.data(), n);
    if constexpr (std::is_same_v<T, std::int16_t>) sf_writef_short(f, samples.data(), n);
    sf_close(f);
}

std::vector<std::int16_t> recorded(const std::vector<TapBlock>& blocks, int rate, double lead_s = 0.5) {
    EncoderOptions options;
    options.sample_rate = rate;
    options.waveform = Waveform::rounded;
    options.noise = 400;
    options.lead_silence_s = lead_s;
    return encode_blocks(blocks, options);
}

// What the stream gives up to its end or its first error (as the core reads:
// a short read is the last); `failed` says which.
std::vector<std::int16_t> converted(std::FILE* stream, bool& failed) {
    std::vector<std::int16_t> samples;
    std::int16_t chunk[5001];  // no multiple of the stream's own reads
    for (std::size_t n = 5001; n == 5001;) {
        n = std::fread(chunk, 2, 5001, stream);
        samples.insert(samples.end(), chunk, chunk + n);
    }
    failed = std::ferror(stream) != 0;
    std::fclose(stream);
    return samples;
}

std::vector<std::int16_t> converted(const std::string& path, bool& failed) {
    std::string error;
    std::FILE* stream = open_converted_recording(path.c_str(), ChannelChoice::left, error);
    EXPECT_NE(stream, nullptr) << error;
    return stream != nullptr ? converted(stream, failed) : std::vector<std::int16_t>{};
}

TEST(AudioConvert, DamagedOrCutFlacGivesEverythingBeforeTheFaultThenAReadError) {
    const TempDir dir = make_temp_dir();
    const std::vector<std::int16_t> first = recorded(first_blocks, 48000);
    std::vector<std::int16_t> samples = first;
    for (std::int16_t s : recorded(later_blocks, 48000, 0.0)) samples.push_back(s);
    write_sound(dir.path + "/whole.flac", samples, 48000, flac_16);
    const std::vector<std::uint8_t> whole = read_bytes(dir.path + "/whole.flac");
    // FLAC frames are coded alone: the file of the first n samples is the
    // whole file's beginning up to the frame in which sample n lies.
    auto cut_at_sample = [&](std::size_t n) {
        const std::vector<std::int16_t> part(samples.begin(), samples.begin() + n);
        write_sound(dir.path + "/part.flac", part, 48000, flac_16);
        return read_bytes(dir.path + "/part.flac").size();
    };
    const std::size_t before = first.size() - 24000;  // half a second after the first blocks
    std::vector<std::uint8_t> damaged = whole;
    const std::size_t damage_at = cut_at_sample(before);
    for (std::size_t k = damage_at; k < damage_at + 64; ++k) damaged[k] ^= 0x5A;
    write_bytes(dir.path + "/damaged.flac", damaged);

    // libsndfile stops at the damaged frame (of 4096 samples) with an error: only that frame is lost.
    bool failed = false;
    std::vector<std::int16_t> got = converted(dir.path + "/damaged.flac", failed);
    EXPECT_TRUE(failed);
    EXPECT_GE(got.size(), before / 4096 * 4096);
    EXPECT_TRUE(got.size() < samples.size() && std::equal(got.begin(), got.end(), samples.begin()));
    EXPECT_NE(converted_read_failure().find("damaged.flac: decoding stopped"), std::string::npos);
    const CliResult r = run_cli({"--convert", "damaged.flac"}, dir.path);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("reading the recording failed after"), std::string::npos) << r.err;
    EXPECT_EQ(parse_tap(read_bytes(dir.path + "/damaged/000_prog one.tap")), first_blocks);

    // Cut between frames, it just ends; only the header's count shows that something is missing.
    write_bytes(dir.path + "/cut.flac", {whole.begin(), whole.begin() + cut_at_sample(65 * 4096)});
    got = converted(dir.path + "/cut.flac", failed);
    EXPECT_TRUE(failed);
    EXPECT_EQ(got, std::vector<std::int16_t>(samples.begin(), samples.begin() + 65 * 4096));
    EXPECT_NE(converted_read_failure().find("cut.flac: the data ends at 5.5 s, before the"), std::string::npos);
    // Without the count (a streaming encoder's file) a whole file is no failure.
    std::vector<std::uint8_t> no_count = whole;
    no_count[21] &= 0xF0;  // the count's 36 bits in STREAMINFO
    std::fill(no_count.begin() + 22, no_count.begin() + 26, 0);
    write_bytes(dir.path + "/no_count.flac", no_count);
    EXPECT_EQ(converted(dir.path + "/no_count.flac", failed), samples);
    EXPECT_FALSE(failed) << converted_read_failure();
    remove_temp_dir(dir);
}

TEST(AudioConvert, OpenFailuresAreRefusedAtOnceNamingTheFileAndTheReason) {
    const TempDir dir = make_temp_dir();
    write_sound(dir.path + "/one_hz.wav", std::vector<std::int16_t>(1000, 0), 8000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::vector<std::uint8_t> header = read_bytes(dir.path + "/one_hz.wav");
    std::copy_n("\x01\0\0\0\x02\0\0\0", 8, header.begin() + 24);  // rate 1 Hz, 2 bytes a second
    write_bytes(dir.path + "/one_hz.wav", header);
    write_bytes(dir.path + "/junk.wav", std::vector<std::uint8_t>(3000, 0x3C));
    // Like a file that cannot be decoded: status 1 and no output folder.
    const std::pair<const char*, std::string> cases[] = {
        {"one_hz.wav", "one_hz.wav: its header gives a sample rate of 1 Hz, which no recording has"},
        {"junk.wav", "cannot decode " + dir.path + "/junk.wav: "}};
    for (const auto& [name, message] : cases) {
        const CliResult r = run_cli({"--convert", name}, dir.path);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_EQ(list_folder(dir.path), (std::vector<std::string>{"junk.wav", "one_hz.wav"}));
    // The lowest rate is taken; a mono file has no right channel.
    const std::string lowest = dir.path + "/lowest.flac";
    write_sound(lowest, std::vector<std::int16_t>(1000, 0), 4000, flac_16);
    bool failed = false;
    EXPECT_EQ(converted(lowest, failed).size(), 12000u);
    std::string error;
    EXPECT_EQ(open_converted_recording(lowest.c_str(), ChannelChoice::right, error), nullptr);
    EXPECT_EQ(error, lowest + " has one channel: there is no right channel");
    remove_temp_dir(dir);
}

TEST(AudioConvert, FloatSamplesAreScaledBy32768WithRoundingAndClipping) {
    const TempDir dir = make_temp_dir();
    // At 48 kHz nothing is resampled, so every value can be checked.
    const std::vector<float> values{0.5f, -0.25f, 1.0f / 65536, -3.0f / 65536, 0.9999f, 1.5f, -2.0f, NAN};
    write_sound(dir.path + "/values.wav", values, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    bool failed = false;
    EXPECT_EQ(converted(dir.path + "/values.wav", failed),
              (std::vector<std::int16_t>{16384, -8192, 1, -2, 32765, 32767, -32768, 0}));
    EXPECT_EQ(converted_samples_clipped(), 2);
    std::vector<float> samples;
    for (std::int16_t s : recorded(first_blocks, 96000)) samples.push_back(s / 32768.0f);
    write_sound(dir.path + "/float.wav", samples, 96000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(run_cli({"--convert", "float.wav"}, dir.path).status, 0);
    EXPECT_EQ(parse_tap(read_bytes(dir.path + "/float/000_prog one.tap")), first_blocks);
    remove_temp_dir(dir);
}

TEST(AudioConvert, AWavFromAPipeConvertsLikeTheFileWhileFlacIsRefused) {
    const TempDir dir = make_temp_dir();
    const std::vector<std::int16_t> samples = recorded(first_blocks, 44100);
    write_sound(dir.path + "/tape.wav", samples, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    write_sound(dir.path + "/tape.flac", samples, 44100, flac_16);
    bool failed = false;
    const std::vector<std::int16_t> from_file = converted(dir.path + "/tape.wav", failed);
    for (const char* name : {"tape.wav", "tape.flac"}) {
        std::FILE* cat = popen(("cat " + dir.path + "/" + name).c_str(), "r");
        ASSERT_NE(cat, nullptr);
        std::string error;
        std::FILE* stream = open_converted_stream(fileno(cat), "standard input", ChannelChoice::left, error);
        if (std::string(name) == "tape.wav") {
            EXPECT_EQ(stream != nullptr ? converted(stream, failed) : std::vector<std::int16_t>{}, from_file) << error;
            EXPECT_FALSE(failed);
        } else {
            EXPECT_EQ(stream, nullptr);
            EXPECT_EQ(error, "cannot decode standard input: FLAC cannot be read from a pipe; save it to a file first");
        }
        pclose(cat);
    }
    remove_temp_dir(dir);
}
// The samples on the first channel, silence on a second; the file's bytes.
std::vector<std::uint8_t> sound_file(const std::string& path, const std::vector<std::int16_t>& samples, int rate,
                                     int channels, int format) {
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    if (f == nullptr) return {};
    double best = 0.0;  // MP3: the highest quality, so that every block survives
    sf_command(f, SFC_SET_COMPRESSION_LEVEL, &best, sizeof best);
    std::vector<std::int16_t> frames;
    for (std::int16_t s : samples) {
        frames.push_back(s);
        if (channels == 2) frames.push_back(0);
    }
    sf_writef_short(f, frames.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
    return read_bytes(path);
}

TEST(AudioConvert, AFileCutShortOfItsHeaderGivesTheBlocksBeforeTheCutWithStatus3) {
    const TempDir dir = make_temp_dir();
    struct Case { const char* name; int rate, channels, format; };
    const Case cases[] = {{"stereo.wav", 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                          {"tape.aiff", 48000, 1, SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
                          {"tape.caf", 48000, 1, SF_FORMAT_CAF | SF_FORMAT_PCM_16},
                          {"plain.wav", 48000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16}};
    for (const Case& c : cases) {
        std::vector<std::int16_t> samples = recorded(first_blocks, c.rate);
        const std::size_t kept = samples.size() + c.rate / 2;  // half a second after the first blocks
        for (std::int16_t s : recorded(later_blocks, c.rate, 0.0)) samples.push_back(s);
        std::vector<std::uint8_t> bytes = sound_file(dir.path + "/" + c.name, samples, c.rate, c.channels, c.format);
        bytes.resize(bytes.size() - (samples.size() - kept) * 2 * c.channels);  // the sound is the file's end
        write_bytes(dir.path + "/" + c.name, bytes);
        const CliResult r = run_cli({"--out", "out", c.name}, dir.path);
        EXPECT_EQ(r.status, 3) << c.name << r.err;
        EXPECT_NE(r.err.find(std::string(c.name) + ": the file is cut short "), std::string::npos) << r.err;
        const std::string base = std::string(c.name).substr(0, std::string(c.name).find('.'));
        EXPECT_EQ(parse_tap(read_bytes(dir.path + "/out/" + base + "/000_prog one.tap")), first_blocks) << c.name;
    }
    // The plain WAV is read raw, header and all, as it always was: the same bytes as with --raw.
    EXPECT_EQ(run_cli({"--raw", "--out", "raw", "plain.wav"}, dir.path).status, 0);
    EXPECT_EQ(list_outputs(dir.path + "/out/plain"), list_outputs(dir.path + "/raw/plain"));
    for (const std::string& f : list_outputs(dir.path + "/out/plain")) {
        EXPECT_EQ(read_bytes(dir.path + "/out/plain/" + f), read_bytes(dir.path + "/raw/plain/" + f)) << f;
    }
    // From standard input, from a pipe, and in a batch's table.
    CliResult r = run_cli({"--convert", "--out", "in", "-"}, dir.path, "stereo.wav");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(parse_tap(read_bytes(dir.path + "/in/stdin/000_prog one.tap")), first_blocks);
    std::FILE* cat = popen(("cat " + dir.path + "/tape.aiff").c_str(), "r");
    std::string error;
    std::FILE* stream = open_converted_stream(fileno(cat), "standard input", ChannelChoice::left, error);
    ASSERT_NE(stream, nullptr) << error;
    bool failed = false;
    converted(stream, failed);
    pclose(cat);
    EXPECT_TRUE(failed);
    EXPECT_NE(converted_read_failure().find("standard input: the data ends at"), std::string::npos);
    r = run_cli({"--out", "batch", "tape.aiff", "tape.caf"}, dir.path);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("not read to its end"), r.out.rfind("not read to its end")) << r.out;  // both rows

    // A length left unknown by a writer to a pipe is no cut: a WAV's 0xFFFFFFFF,
    // a CAF's -1 ("to the end of the file", which libsndfile alone refuses).
    for (const char* name : {"streamed.wav", "streamed.caf"}) {
        const bool caf = std::string(name) == "streamed.caf";
        const int format = (caf ? SF_FORMAT_CAF : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
        std::vector<std::uint8_t> bytes = sound_file(dir.path + "/" + name, recorded(first_blocks, 44100), 44100, 1, format);
        const std::size_t data = std::string(bytes.begin(), bytes.end()).find("data");
        std::fill_n(bytes.begin() + static_cast<long>(data) + 4, caf ? 8 : 4, 0xFF);
        write_bytes(dir.path + "/" + name, bytes);
        r = run_cli({"--out", caf ? "caf" : "wav", name}, dir.path);
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(r.err.find("cut"), std::string::npos) << r.err;
    }
    remove_temp_dir(dir);
}

TEST(AudioConvert, Mp3AndBigEndianWavAreDecodedOrRefusedByNameNeverReadAsSamples) {
    const TempDir dir = make_temp_dir();
    // Damaged behind their magic: refused, naming the format.
    std::vector<std::uint8_t> tagged{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> rifx{'R', 'I', 'F', 'X', 0, 0, 16, 0, 'W', 'A', 'V', 'E'};
    tagged.resize(4000, 0x3C);
    rifx.resize(4000, 0x3C);
    write_bytes(dir.path + "/tagged.mp3", tagged);
    write_bytes(dir.path + "/junk.wav", rifx);
    for (const auto& [name, format] : {std::pair<std::string, std::string>{"tagged.mp3", "an MP3 file (it begins with an ID3 tag)"},
                                       {"junk.wav", "a big-endian WAV file (RIFX)"}}) {
        const CliResult r = run_cli({name}, dir.path);
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_NE(r.err.find("the header says it is " + format + ", but it cannot be decoded"), std::string::npos) << r.err;
    }
    // Samples that begin like an MPEG frame, with no second frame after it, are samples.
    std::vector<std::int16_t> samples{-1025, -15216};  // FF FB 90 C4: MPEG-1 layer III, 128 kbit/s
    for (std::int16_t s : recorded(first_blocks, 48000)) samples.push_back(s);
    write_bytes(dir.path + "/frame.raw", samples_as_bytes(samples));
    const CliResult raw = run_cli({"frame.raw"}, dir.path);
    EXPECT_EQ(raw.status, 0) << raw.err;

    const std::tuple<const char*, int, const char*> decoded[] = {
        {"big.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG, "is a big-endian WAV file (RIFX); converting"},
        {"tape.mp3", 0x230082, "is an MP3 file; converting"}};  // SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III
    for (const auto& [name, format, said] : decoded) {
        SF_INFO check{0, 48000, 1, format, 0, 0};
        if (sf_format_check(&check) == SF_FALSE) GTEST_SKIP() << sf_version_string() << " writes no " << name;
        sound_file(dir.path + "/" + name, recorded(first_blocks, 48000), 48000, 1, format);
        const CliResult r = run_cli({name}, dir.path);
        EXPECT_EQ(r.status, 0) << name << r.err;
        const std::string base = std::string(name).substr(0, std::string(name).find('.'));
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
        EXPECT_EQ(parse_tap(read_bytes(dir.path + "/" + base + "/000_prog one.tap")), first_blocks) << name;
    }
    remove_temp_dir(dir);
}

TEST(AudioConvert, KeptFuzzInputsAreReadToTheirEnd) {
    const std::string kept = std::string(VELLIQOR_SOURCE_DIR) + "/tests/fuzz/regressions/";
    for (const std::string& name : list_folder(kept)) {
        if (name.rfind("convert_", 0) != 0) continue;
        sniff_audio((kept + name).c_str());  // the format sniff once looped forever on a chunk size near 4 GiB
        converted_length((kept + name).c_str());
        std::string error;
        if (std::FILE* stream = open_converted_recording((kept + name).c_str(), ChannelChoice::mix, error)) {
            bool failed = false;
            converted(stream, failed);
        }
    }
}
}  // namespace
