// Runs whose outputs are pinned: changes made for speed or structure must
// leave every output byte and every presented screen as it was. How and when
// the pinned values may be regenerated: tests/README.md.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "app/linux/text_render.h"
#include "app/run_driver.h"
#include "support/test_files.h"
#include "support/test_tapes.h"
#include "view/canvas.h"
#include "view/platform.h"
#include "view/screen_cycle.h"

namespace {
// VELLIQOR_REGENERATE_GOLDEN=1 prints the values of this build in the form
// to paste below, and skips the comparison.
bool regenerating() {
    const char* v = std::getenv("VELLIQOR_REGENERATE_GOLDEN");
    return v != nullptr && std::string(v) == "1";
}

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

std::string hex(std::uint64_t v, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llx", digits, static_cast<unsigned long long>(v));
    return text;
}

// The files of the noisy run: name and FNV-1a digest of the bytes.
const std::map<std::string, std::string> pinned_files = {
    {"000_Noname.tap", "1ad4e66b7294c949"},
    {"001_prog one.tap", "0ff143c2b3e37c04"},
    {"002_proC_7_2__.tap", "618a92edca0e357d"},
    {"Log.txt", "bde1e14d4778dea7"},
};

TEST(GoldenRun, NoisyTapeGivesThePinnedLogAndTapFiles) {
    const TempDir dir = make_temp_dir();
    std::vector<std::int16_t> samples;
    for (unsigned pass = 0; pass < 2; ++pass) {
        EncoderOptions options;
        options.waveform = Waveform::rounded;
        options.speed = 0.96 + 0.06 * pass;
        options.noise = 6000;
        options.seed = 7 + pass;
        const std::vector<std::int16_t> part = encode_blocks(test_tape(), options);
        samples.insert(samples.end(), part.begin(), part.end());
    }
    write_bytes(dir.path + "/golden.raw", samples_as_bytes(samples));
    const CliResult r = run_cli({"golden.raw"}, dir.path);
    EXPECT_EQ(r.status, 2) << r.err;
    const std::string folder = dir.path + "/golden";
    std::map<std::string, std::string> written;
    for (const std::string& name : list_folder(folder)) written[name] = hex(fnv1a(read_bytes(folder + "/" + name)), 16);

    if (regenerating()) {
        std::string paste = "const std::map<std::string, std::string> pinned_files = {\n";
        for (const auto& [name, digest] : written) paste += "    {\"" + name + "\", \"" + digest + "\"},\n";
        std::printf("%s};\n", paste.c_str());
        remove_temp_dir(dir);
        GTEST_SKIP() << "printed the values to pin; nothing compared";
    }
    for (const auto& [name, digest] : pinned_files) {
        const auto found = written.find(name);
        if (found == written.end()) {
            ADD_FAILURE() << name << " was not written";
        } else if (found->second != digest) {
            const std::vector<std::uint8_t> bytes = read_bytes(folder + "/" + name);
            ADD_FAILURE() << name << " differs from the pinned output (digest " << found->second << ", pinned "
                          << digest << ")"
                          << (name == "Log.txt" ? "; the log now reads:\n" + std::string(bytes.begin(), bytes.end())
                                                : std::string());
        }
    }
    for (const auto& [name, digest] : written) {
        if (pinned_files.count(name) == 0) ADD_FAILURE() << name << " was written but is not pinned";
    }
    remove_temp_dir(dir);
}

// Every presented screen of a drawn run: its first sample and a digest of its pixels.
struct ScreenSeen {
    std::int64_t first_sample;
    std::uint32_t digest;
};
std::vector<ScreenSeen> screens_seen;

void digest_screen() {
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t k = 0; k < static_cast<std::size_t>(canvas.W) * canvas.H; ++k) {
        h = (h ^ canvas.pixels[k]) * 1099511628211ull;
    }
    screens_seen.push_back({screen.Disp / 4, static_cast<std::uint32_t>(h ^ (h >> 32))});
}

extern const char* const pinned_screens;

std::vector<std::string> words_of(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::string where(const ScreenSeen& s) {
    char text[64];
    std::snprintf(text, sizeof text, "first sample %lld (%.3f s)", static_cast<long long>(s.first_sample),
                  s.first_sample / 48000.0);
    return text;
}

TEST(GoldenRun, EveryPresentedScreenIsPinned) {
    const TempDir dir = make_temp_dir();
    EncoderOptions options;
    options.waveform = Waveform::rounded;
    options.noise = 6000;
    options.speed = 0.97;
    const std::vector<Block> tape = test_tape();
    write_bytes(dir.path + "/frames.raw",
                samples_as_bytes(encode_blocks(std::vector<Block>(tape.begin(), tape.begin() + 4), options)));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);

    reset_program_state();
    drawing_enabled = true;
    ASSERT_TRUE(canvas_create(800, 680));
    screens_seen.clear();
    // The command line's text, so that the screens are the ones a user sees.
    RunSettings settings;
    settings.platform = {freetype_text_out, freetype_text_centred_left, digest_screen, nullptr};
    platform_hooks = settings.platform;
    canvas_startup();  // as the front ends do
    std::snprintf(recovery_run.chosen_path, path_size, "%s/frames.raw", dir.path.c_str());
    run_recording(settings);
    platform_hooks = PlatformHooks{};
    canvas_destroy();
    reset_program_state();
    ASSERT_EQ(chdir(previous), 0);
    remove_temp_dir(dir);

    if (regenerating()) {
        std::string paste = "const char* const pinned_screens =";
        for (std::size_t k = 0; k < screens_seen.size(); ++k) {
            if (k % 10 == 0) paste += k == 0 ? "\n    \"" : "\"\n    \"";
            paste += hex(screens_seen[k].digest, 8) + " ";
        }
        std::printf("%s\";\n", paste.c_str());
        GTEST_SKIP() << "printed the values to pin; nothing compared";
    }
    const std::vector<std::string> pinned = words_of(pinned_screens);
    std::size_t differing = 0;
    for (std::size_t k = 0; k < screens_seen.size() && k < pinned.size(); ++k) {
        if (hex(screens_seen[k].digest, 8) == pinned[k]) continue;
        if (differing++ < 5) {
            ADD_FAILURE() << "screen " << k << ", " << where(screens_seen[k]) << ", differs from the pinned one";
        }
    }
    EXPECT_EQ(differing, 0u) << "screens that differ";
    if (screens_seen.size() > pinned.size()) {
        ADD_FAILURE() << screens_seen.size() << " screens presented, " << pinned.size()
                      << " pinned; the first extra one is screen " << pinned.size() << ", "
                      << where(screens_seen[pinned.size()]);
    } else if (screens_seen.size() < pinned.size()) {
        ADD_FAILURE() << screens_seen.size() << " screens presented, " << pinned.size()
                      << " pinned; the run ended early, after "
                      << (screens_seen.empty() ? std::string("no screen") : where(screens_seen.back()));
    }
}

// Screen digests of EveryPresentedScreenIsPinned, in the order presented.
const char* const pinned_screens =
    "6f8d2882 3797ff8c 1510ec97 ce62d052 3316b862 e15bddb0 8e00f4e1 81695b2e 9ed145e3 f110ff4b "
    "2f232b37 5c998827 2cd0c521 c09a07cd 21ce60bc ec6ef6c3 2949c68b e4efc703 0654b332 24baac80 "
    "a381e8e2 3b54701d 17644f34 e4ae1f98 f8aaf311 25a4c794 3954fb70 89e48537 fb6b9dd1 0a11d1c7 "
    "c4768763 e678119b 76e0a4bb e5ddac6f 0ef15491 608c602e aee33b88 1c718787 ba346f0d b7fe0a49 "
    "01f01ece 898b8dd9 a7dcffd1 562f638d e6b6e81e c95d95ae 31fa1ee2 07f378c3 4a49c12c e5338934 "
    "a39ec5bb 59d05ed3 9d418060 471579b1 4321e4dd 504b4f8f 59524804 77c77068 7c60405c e9801e65 "
    "b9d5301e 4d0c5e4e 58b0349e 8f95ac45 41f09ccf 6157204a ec3641ff 5c6a07d6 18eba365 8bcdd4b1 "
    "8c39982f 0a369de4 3c346e78 67b4cbca b064ed52 add8ac72 4d731b65 52e71ad9 8c142903 01eae13d "
    "aa427cd6 d18f5755 3bfefc54 c1ae1598 b6b1390c b45030ca 40e53e09 6442c497 b9894805 e762473d "
    "1a3b0833 936b1dcd 6d833d51 9d5f5b73 9d89c7a8 3a083a1e 4f71c8d9 c68feb98 67751450 fccc0c0e "
    "4559bed4 aa2b8f88 c2f80560 58732e06 4d319958 663c4020 f36fe8f8 4be745b1 9c54ded4 10958180 "
    "4b995190 50a89601 0a24b8f2 e36ab108 101f9d13 4fe6332e 85851e07 0bc4a7a4 408fcbd7 09146b32 "
    "6847920f 7783a204 59e817aa 6d16b0fb 6e858352 5ff048e4 b49b8b98 b44b9ef7 2e484985 c579c833 "
    "2b119ce4 4cf94899 2937bf6f 12e9905c e513cbc4 a37dca0a 11b4aa59 cae1bde2 07c898f6 3becc87c "
    "6d4b3943 55fb0d8a 69af3a86 ac01f49f 116fe646 75f71f76 d7f1943b f0790732 45ae8e49 a52d0b09 "
    "4c327018 ca1c966a 5621a0f4 5ec5de89 1889ef21 df73c668 d49170c7 4192b304 0bda8ce1 d25b89ec "
    "9b7908c9 f505d92a f93b43da 0af7cf8d 0b7342f6 518c93be 9210f412 48ab301d 697f61b3 18a612dd "
    "13c1eb13 31706203 ca48fad2 3b58c3f4 4aa65606 b14d4a66 db158044 84fe9158 720e1e1d 9d63a917 "
    "0e2aaaf4 375e97fb 90dc0804 da37aa4f a353a593 1456435b 2552d3b2 300e33c2 7853869b bda48169 "
    "b1512560 31752e9c 01a2a25b 2e2ff22b 8a43a3d3 9880db2a ab11728a d2f1eaeb d2181223 d6e3d322 "
    "1ea48f14 1741e69a 2e62cfdd ba6a3f02 83971a99 0ae9b26f 7fa5f03c 989dbe65 75e51990 0ca902de "
    "56099cb0 5e41579a a8f3f5ae 31d12395 b11b4278 c149f451 1334dc40 e15234ef 287631b9 441dbe2b "
    "d7e01d0c 1f7e4644 b4ee1acf 8d63b697 8cb8c1ee 3ab5b714 217d8268 85fd4e3e b1e5cdde 21fbf8fa "
    "ed190d96 c1b12e11 50be0ef3 968c7a4c ebd6200c 76c78b0f 542eb58d 09286fe6 a4c102d6 0ad9e84e "
    "68463546 62490b31 79f57717 aae6382e eb120419 7a74a08e bfe47a91 89cde231 472358ae 8d0a7995 "
    "ece02a87 7ee63c20 553e6c2a c771e2d2 60ee9e86 44a6941d c8923bd7 70416cb1 4924d24e e7bc2471 "
    "bff6c677 cfa26ed6 0193db26 9c513025 13fc29eb 4fe2d600 768eab15 b275cbe6 76c18650 89eaea99 "
    "ef187503 674ca20a 47bcb25f 2e98209a 6b1a95dd 697e1ece d16ee71f ecc3a50e 948654aa 1d52972a "
    "51425c8b 58b58197 851f35c2 55007a2c 40e99929 d1fbfbc5 2dc77faf 327b3124 13488177 e0e6cfd9 "
    "653ec5e1 d47da4f5 0a956b76 22d20c4c fb0375ed be1552ec eed16b3a 837ca4e7 1cf781c7 cd278461 "
    "7179ec63 5969bbfd 59bfeb5c 8ed6cdb8 6e91d7c6 4088c51b f15ddb7a d4e2ab0b 045bde5e af5a46fe "
    "cdf2b6c5 71c3e0a9 fa76e8e1 b5b1c185 a5e53066 72f0c367 5a3baa8c d14f3b4f 50d7e374 dd63c6cb "
    "2810fd9e 589864eb 0e77504d 8e9e34db cbacb7af 56773839 b8ccf0f1 d9e7d9c5 58d2f0b0 f4feda27 "
    "b5d772dd b66ecd81 dd8ce465 63c63e3b ec22b80b e8a32d3d 067d124d 489cf6b5 f53d83e0 3e1ab14b "
    "609958b5 c1f28b2e c0470e85 e2938738 81e0e752 f86948a6 43b3bb0e ba56393c f730bd18 39473b04 "
    "90ff1845 1207c2cd 03f26fff 2a39c13b 43d9ccc3 942d0a25 c5c0e1a1 6e3659b3 0809c70f 1a34ec8b "
    "093ebc2c cac7f943 b7f75196 43fdab06 bba73378 1fe2c075 cde97e82 cafcf6b6 e7789bd0 6899b2a3 "
    "e444f1f4 98927cac fa33c468 084f83e7 bcebb0db 25720ef0 1a5f2429 c41691b7 99d7acb3 3f95efc4 "
    "ab733f23 e13c7442 b8e9bc85 09611fc9 7250caa2 ce35f805 88e853dc 412e1fc3 f1e96660 544dab5d "
    "316e8c88 750d7628 f5c4d666 3c11710c 8b40c368 0862871e ab623f1a ce2eb203 ff56f266 751ced94 "
    "82cfd3be aea28fc5 4b194145 68c37502 de7af2c9 1da90a7d 4ac92500 0ab444c9 c77b9d30 1d9a4934 "
    "9044168c 3287ae05 893d18f9 cfc05cc5 ebf524f0 68ceecbf 927a337e c6c0ca74 9c1f4c5e ea3e9994 "
    "2c56ab70 da18cc83 c48c2c90 66f0268f 3918ebf0 e9215465 8141daeb 1f203930 98bc8e34 f165a6f1 "
    "5be7b6dc 99dbfcba 83e154cd f804c483 a48de9b2 3c235204 62db9589 289d44a4 f594093d 4d377062 "
    "0210ffb9 a82bac0f a533096f 28648639 c15cbbfc 610747bf 7841fe6c f3e4c8eb 0dbc747a 9a27bf86 "
    "62cca820 5fd746a1 4ffa0ffe c8432f77 5a5adaa6 767ad32b 7a0580e9 fc6cf048 8b796bd1 7d585dce "
    "ed05c266 46989c9f 69122bd0 a6299280 976d3dc6 44fb8c53 a417368b 06dfffc3 bfda274c dd978cd3 "
    "48253239 1d4d3aa1 6615a9d9 6acda8b8 3f0f36cd c6874ec6 78584ae6 ac3cf68f 7920a7ac b37d3f5c "
    "6e8d0e92 77b87a29 a9798b00 62b4e393 ad9e51a4 b7cdab09 41811245 ed2112ff 4125dcc9 c7b0c69e "
    "9311813a 3c0c2655 2c8c5806 1db5c65c 16d0f581 7407ae66 171eb6f4 cb656532 b022b7a5 9d2eb2e3 "
    "dbb5ecf8 c02ea4ef f70d8b28 353d1184 9c1723b6 c855c104 1fbe6ca6 28fbbdcd 4d91f746 9796fdde "
    "03bd0973 6e07dea6 42b61357 b2703dc0 d0e56e8c f8825572 0996b0bf 1deaea20 124e3919 a6017bfb "
    "3c28c133 0627fd47 a14284b4 7627141b 8192a1bc 19cf42bc 0db45561 8c68214b a9b558fd 7105296a "
    "7156523a 98f45650 af62c0e2 1581a35b 2edde8bb a4f10c95 ca307ec0 8480a50f 6e30b3d4 956c8970 "
    "e37204d6 8cf08c91 483fe5e3 7b468e4a dc3707db 72fc2d52 f9937df7 19d6b00c 88301ce4 9c25d28a "
    "f6c91182 fc50709e 268c310c e4295d85 2c42a575 9b4f7504 867e6016 094b2f7b 4ba07a41 b521be96 "
    "485c5bfd 8bf85f1b d2700947 a3e47a2b 7c139f96 f14036c1 cd96ec62 b0577b3b c78c9d76 cc87c819 "
    "48aa0790 55319ace 810d5bda 16cfe7c2 a6af4c06 a4c3cb18 2d135012 ad5834fe f83e2a4c a828987b "
    "57e664ee cf34023d a01fb7d1 73c0bda7 ec17cadd 8359b8b2 d268f383 95b783e0 fdde519b 53a714f6 "
    "fea066fa 91b8c08d 8ffc6ceb 672592aa 7542cbd9 704cd401 83630f0a 021ca00a 802f3aba 0a86f6c4 "
    "02bbd2e8 fb73a6d8 6596ac98 88403a19 d7b9b619 b2cac18a 9e251b23 64bd253e a66f0f55 0a64afd2 "
    "930d6b8c f8c6b602 890be65b 5c468bf7 6cc5d931 daaf25d9 2d75574d 2b036fc1 19583c4d be66370b "
    "fbd50359 63d5d5f7 45ed19f5 bcb6f0eb 66f1f0db ea1af13a f173712d 42cae90f 30ca9d34 d3fc6c61 "
    "bf5746bb 53509c13 64495419 2dccb9aa b56597e6 8ac9e0f1 02983430 99116298 599016be f411ccb1 "
    "4bf0eab8 f5365f59 6f7b8920 8d842635 2ed020fe e2080784 c5a31023 1f89ad13 fdefa4aa 6053186e "
    "85e9d61c 88335df6 ffdec4e0 27436984 f9cab015 fc5da9c9 ac2142d8 a28662bb 9280fcdc 0bfe3985 "
    "bcd4dfe7 45715ace 9f77aeca 8d30d6f1 a3f69bca 1a356f36 f6f6746a b0f07058 250b2b3f ec53d619 "
    "a3761925 022aca7b 89333c2e b6931d51 3cc1d03d e9ff2424 0e5f268f b309fa43 d7a9c2f6 9a439604 "
    "3d85f169 76542ef9 0896e4fd 1f346644 3db3c644 cfe1080a b06c0f8f 023438af 8f9edc1a c5b8fe8b "
    "b3b8dba7 a9efe4fe 98a7cca7 3cecffe0 c0345140 59fc3440 e9132658 915b9fb6 17390c3a 87d74f45 "
    "d7d62d3a ccf9e3a4 a3c29d83 5737ebc3 95502be2 9cf61c22 49c96204 981a8aa0 98e6fb61 0f867ca9 "
    "7a6f5ecd 92a3e0ef 1f849242 384c9001 c9f57f8c f00917e4 5d507740 65197c23 772ac7a3 ccfc00f9 "
    "577fb8bc a19f750d 7692dd1f e175de2f 112fa07d 2729e5f8 e66e0f78 06019d51 49b3f426 f2dc9296 "
    "94fa1533 83a2d828 9dbf695b befd0dc4 f0babfc4 fa783ec4 6bca25fc 871f45a4 1f9002c3 86b70128 "
    "53351f3a 71871537 15e3f1a3 2842e92b a046bfda e61e571b d1d0f53b 9de28d1b ada079ba e1bc4cd1 "
    "ec992205 3f79f968 8daebf81 a8aebd5c 8e86c85b d1b8fafe adeb1e7a 46a1483a 15b16f18 aa5d6085 "
    "f7e25365 653e8569 f082c03a 2910f953 492de949 d2076c32 24704c6a 152a9020 bb81f5e3 213fa0d8 "
    "2fec9446 7e630407 088588e6 1bb7f8b9 ef4f276f ef04c712 c43a23d6 6d71fe48 f7926196 9b844a37 "
    "c69bb8a5 4a1224c4 74f43854 a23928f5 d8ab72d8 27db1d87 b8eeaf68 ece3988d 7c6bcaca 1323312d "
    "800d8a39 63939bc3 19a70836 c22d7061 abca4abb 6ef73627 ae3d14cd 1638c7ea 5dc73724 4f65f33d "
    "3bc324db f0ff553d 4b56ad74 16363c2e 25a2e3ff 3acbea34 d9e8572e 6cccaa0d d241cc28 b53f92ed "
    "28f94517 5a75006c 6a682f0e f3584d03 a8b785c0 a8ed62e5 019e9a45 be1078b2 776d8ab3 7e70d0c4 "
    "043e45a1 3d671091 8acef61c 617bdf56 7089091a a577227c 42058b0e d064c8d2 43f88f74 b7e4abd3 "
    "1836f506 2b4d3519 c3ecf4ac ad060231 ad012cbf 0f5afe77 7e515ec5 4985ff57 26e209a6 3121b8da "
    "3a4f0750 b103d693 b226bda2 95396aba a1b0ab7a 134d5169 58d956ca 781af355 6eefa6cc 32eb9a66 "
    "ad801c12 1aeff1bc d49c0907 ad3fb75b 82864ec5 24cd0a07 ea06321e 196888c0 63687c86 7353732c "
    "7b6c4b7a 06263720 b1d1361c 4c74878a 00497cd5 49962669 a97af247 00688fff 36e4532c 68d4694b "
    "fc8be473 fff74dc0 87120532 758e9aea 159bac9c a889f229 a29c307c 8ef33ff8 b73826db 4508a3cf "
    "a104f7ee dff74a66 c795d37d 1ea891b9 9f91e7cb 66c15e11 f5e3e0ab a1476e2d 4914f05a 11b6a7bf "
    "d4e5734e bb85ce0e 124fe423 96f978d3 0c249f86 851d0624 cc4fc33b 4727ffc3 7c8c1d41 77a0c5a9 "
    "dedaa8b3 5ad2150f 8499d5e0 a9c626d3 26ffe900 20708bcf 491c47f6 2153bc9b a453794e 78b66fe1 "
    "7c233aad e52a4f4c 0ee2a6b8 2be75034 bc4b5a1f 56b0bc96 ebeedd72 a18ef7ad b615476c e37b35c3 "
    "d391d4ef cd5262c4 96139dd0 6dc65333 9e7dcaad 608dd760 3c662ae3 cb711e69 ce4adbc8 7bf65a03 "
    "d55610f4 7a5fefe8 35d20053 b03adc46 e93c4ee3 373cef97 1aa0f6a5 f561ced6 326f66aa 558ebcc3 "
    "16f448a0 ffbe0b46 5479dc12 f715df66 b04d7063 5520c6dc 2fbcfea9 37ff655d 9c2ef092 592cc7d0 "
    "49265ae8 2c7d1905 4006e36a c7281f5a 3fa8056d 7a60a47b f8eb827d 483b7154 2d31af66 5d37009a "
    "2ac0f6b2 f3f3cbc0 de5e855d 7d6f5231 16b22e06 c87ef492 afb186b2 d683c3fb 2719270f a9728cd4 "
    "77121d5d 8fb1fa02 84266eb4 3cfc53bb 7bff2e79 45a1a7be 4e8826b8 a54a44d7 f155e579 aedf1ad3 "
    "6a9d41f7 f4f02a01 80509896 1a2a9a70 d9cdc6f9 c7db4b80 a99bce0d 82c8a14b ac234eac 3004dcba "
    "832eea3e 56dcb722 054b353a a381d2d9 97b97eb7 c20a9554 1f553e07 1267c93c ccd36f57 e639ef03 "
    "eda798b3 57e49eda 70f0e01b aaf610af 12891d87 1a48d286 85ce6a89 c89ff363 fad12535 26349192 "
    "81dea0af f6dba089 84d91abf 3c09e41b 7211873d 00372755 5e87bd11 8ea4e92f 6089c75b 6809951f "
    "7597c193 a01c71d0 8491e2e0 a8e2c54f 0a66718a a473d4b8 c59b14a0 2e0e59dd a9e918bf 5d845b35 "
    "8a9f48ac 18ac62be 5675988a 4a481abb 75c6e05d 5995a12b 6ca7b112 54a82cab 02ea729c 53163b22 "
    "5c200118 05153fbd d625e30b 95e82de7 934e6edd 2b970b4b 3d6f8f54 936916cc e33f32fa 410af088 "
    "8799f0c5 56135666 5618f06f 8274a5de d9e6659e f7d579c2 3f35c3fa a43d1af8 b958b57f 6d1183fb "
    "22d353dd 01e85a92 e9ef3d05 9e81b665 ed4185c4 67bf0ec3 2286707d a6163100 3c52c255 91ddc50d "
    "f7006199 bf88d44b 6b65df37 d52223da 5ac42587 d3b51f91 9d3ff648 11c6a588 9b8ea071 8dcec98c "
    "e16a3ddd 6e437c05 03fc55fc bf2fba30 39bc9481 a951b3d2 94c0f13c 8b060c04 2bcd7524 59a76357 "
    "dd243a26 e4ddf384 9983663f 04e12ee7 8c092af4 6cd91dea 1361e22d 502e28e2 d867005e f9d98449 "
    "26465bc2 ac13e2d3 acdb4bfd f6c08fd2 a54788ef 10c59c1b f3ced64e 88d4b404 ce9f19c8 f999438a "
    "ca8f8519 04d30f93 a34ec13e 64d5b5e2 008ffdcb fbee52f7 ca29c04c d89bb4ac 5901234e 70a4803e "
    "6575ae18 87d46fba 8acf6dc9 2df154dd 444d6aa0 dbf6a988 df474863 4dba98a4 9cb7e8e6 14e3b128 "
    "228fefab d80b57d1 da9bf427 46cb86ca 63af0734 252c6cff df0d4464 ad70587d a3de1eed 700a3ffb "
    "da5f5eba 278b3165 af0aaf7b 1b99ae33 789ad8ea 8c74580f 567e03bf 0eec1968 79b5512d 34323017 "
    "9e8c30a6 627c634e 78cb7c74 491304b3 dcbacef3 91c7b230 6b1a29bb 997114c2 10edea99 f358e21b "
    "85656c2e 57c2990e 60786df6 23b92813 4aa94757 4f159ab2 21f11caf eafe582c a2bbd851 010766b7 "
    "d6207be7 3d10c90c 39e02784 719a25c6 0d2e8d01 c6320d8e a9bdde77 ed24e05a 8372e9ea ad1f53d5 "
    "c51d8700 cae0adc5 3a9cd830 1d13bf7f fa16a188 0bc9cd7c c78da548 a0d85aff 2f00c340 2421d5be "
    "8bf0dfa1 bdaf731d 59a1994f 6ec166da 3b73ca40 ad280689 5f74d5b5 67bf2acc 27f5d4ff 4cfe65ad "
    "9ab10db2 cb0fab81 5491d2c3 e2664495 0e121d2d ca266b34 c2c9ce2b d3288c1f 5943cefc 3bb1db3b "
    "6878269d dba52b92 a92516c6 a4ea3a1f 5151de19 89ad6a8e b60e9edb 11de03b9 e3bedb35 14e0484b "
    "7ceb8a7e 6d169ba7 1481d735 1d0b9a47 7a17532a 1a022354 b39cdf3e 0032b45f 83388f3b 7bd09e71 "
    "efc03923 359dd5f2 fb80c480 513f43f8 581bf83c e5d285ed 1a38685c 5dbb97d1 655fee7e 58931d95 "
    "b64319b7 af98e56d e8ceb916 366d2562 18c44a5b 2b6d83e5 57cc01c3 73eb5b45 be1a37e4 290d2025 "
    "1e241f9c 6a082f73 8213f1d8 a9cf2e37 a7af956a 6ad257cf 9e7a2471 4bb15b18 0d33ac40 1dc82f07 "
    "d063c858 f141ec5b f661e63d cb4e1a63 c38b124e 2e60e3ea fcdc0748 468f78be cf4a856a d727b97c "
    "e93e3311 a046a59e 6e24f0b4 7c63db35 03c383ae 8b1c3741 684ba67d cc000e32 90a691c9 49c09fe2 "
    "7f87a3df bc9b5da3 da08bf09 5d58efd3 8c511ae2 6c38cb5a 7bef961c c5522e0b 6239ab7c 48a238c0 "
    "159f7cb6 b7b20994 5fb3ef58 f34a8950 dfff600f 186877ca e5e133df 308caa58 d88c0843 b72fe8b1 "
    "55a1788d 416e128a bf26377c eab68dbe 8efb78a5 2a19e92f b0dfb505 b3bc81e4 ac59d035 6a98afd8 "
    "84748fc9 c36b8bb6 be4ba8bf 92b6fd65 fcd7100c 3042e85f f7e328ab c885d70f b03f517f adefca58 "
    "690dd5a2 07b1ec63 af5631bc 8695b7d4 045954d0 64ab9115 bacda4a5 a2e48d78 8770edcc a41404ec "
    "54a93ee1 34f262e6 b4987df4 d51a1bb4 d0cb1803 9c072432 f339a2cf 15b1472d 70f00b67 760d50f1 "
    "1e9a3d45 eea4aaa7 fe5fc8c5 49149dda b24c5e82 f94ed98d 059c3050 9d3c9915 b50a4af2 37ac4738 "
    "12747f96 c8dc7264 0eb86686 660b1279 32c4781f 00652473 5bc4dba6 99ac20d3 8060b240 7355d82b "
    "6a6f8884 77f3b212 cd25e485 a5051314 0e39a7cd fb8acf09 43378e94 7bd0a0f3 3dbd7364 dfe03e28 "
    "5ad840c9 4d26b7ac dca56974 c0eb00b1 a7b32b38 8157dc06 eb2eb31a 55a3b4b7 85ab9c7a 18415cb9 "
    "ed868950 3ed2787c e30bda4d 7fb92585 dfa3cd3e 387b6ad1 81525a9d 4a4b1a1e 9d33f59b 32b2cb5e "
    "cd5f11b6 188a4bbd c3e241b8 84b4ef30 ";
}  // namespace
