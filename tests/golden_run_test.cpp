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

#include "support/in_process_run.h"
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
    const CliResult r = run_cli({"--one-pass", "golden.raw"}, dir.path);  // the reference reading
    EXPECT_EQ(r.status, 2) << r.err;
    const std::string folder = dir.path + "/golden";
    std::map<std::string, std::string> written;
    // The report names the temporary folder: its fields are checked by the report's own tests.
    for (const std::string& name : list_folder(folder)) {
        if (name != "golden.json") written[name] = hex(fnv1a(read_bytes(folder + "/" + name)), 16);
    }

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

::Run* digested = nullptr;

void digest_screen() {
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t k = 0; k < static_cast<std::size_t>(canvas.W) * canvas.H; ++k) {
        h = (h ^ canvas.pixels[k]) * 1099511628211ull;
    }
    screens_seen.push_back({digested->screen->Disp / 4, static_cast<std::uint32_t>(h ^ (h >> 32))});
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
    const std::vector<TapBlock> tape = test_tape();
    write_bytes(dir.path + "/frames.raw",
                samples_as_bytes(encode_blocks(std::vector<TapBlock>(tape.begin(), tape.begin() + 4), options)));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);

    ASSERT_TRUE(canvas_create(800, 680));
    screens_seen.clear();
    // Text from the core's own drawer: a font package of the machine must not
    // change the digests. Everything else is drawn as a user sees it.
    RunSettings settings;
    settings.platform.present = digest_screen;
    ::Run run;
    digested = &run;
    run_in_process(run, dir.path + "/frames.raw", settings);
    digested = nullptr;
    canvas_destroy();
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
    "7cf021cf 3797ff8c 1510ec97 ff957983 9be1a74a 77fe71db 8cc972d9 ba67ab16 1a873dab c53c339d "
    "1059caa0 fd95ca33 ae518a99 84f3777c 5e477a39 8b085244 366aa7b0 444bd51c e3e1a4e8 83574473 "
    "0e14ddad 4e1614ef a296ca1e c516d7b9 9a137aa9 6d514a8c bcb04f0c 9f5c0e41 dbb5d4ae d6251dd2 "
    "670dc5c8 5ff8fbdd 18e936e1 57056730 c34bd9bb 5da85d63 e32d37ab eb86ce9c bfe469cb 8aebe9a0 "
    "5766545d f10e5a1f b4bd7661 b65d67f4 5aadb43c 5044ca97 3e50573d 65b19015 cb8d87b2 ef375d31 "
    "b5c63a80 ef61643a 3f06a4ea 36288cfe 1fa42673 ed51daa2 6465327e 0cacbe2d e3eb0dab 8f7be5bf "
    "45a4fad2 659fee75 ffcb1826 c087fdca 46382a3f a284c300 a33ed9f2 580c6dfd 0140da79 6cc447ca "
    "3e220dfb a51a61b5 b915617d b7e4ff7c 7f8fef8c 36631cbf bda59c15 a316f833 ef70bcce 2e2cbf1f "
    "f4c55162 eb50feb2 d07d2c55 1d9f8e51 c22c11c2 098e6e48 9dabe871 d6b784ef a94df8ab 83f4ce9f "
    "40b0d483 6842afcb 763ac0e7 18cd0246 38429795 b5bfc606 00871ffa cccbfa1b 850934e8 07e379e4 "
    "ace8a978 b8ebe52f 7bc44ec0 f849cef3 49421807 933ce93a a5e09f58 b5355aad ed2af96b 95354889 "
    "bc4eec33 f5ae9715 24f0d669 fca1d3b4 b9faef51 fe924d15 671e0385 3f1236c7 3d46706a 294c23f5 "
    "d885bf83 466c7ce3 6661a17c a1195ff7 c0bcc4a7 030b8ba2 e94a5756 69b5db16 44ff69d3 2be0c144 "
    "544393ab 2bd0c634 cb5fb429 5c514281 3e2a25cd df785dd9 6822efa7 7a335707 6d8a24df 2cf6f763 "
    "15e89f46 142ad4dd 2ddd2be3 6b29595b c23eb24d bbdb8605 85503a5a 31825364 62b62b4e d5bc9c2e "
    "262b0112 9c639bc1 95aa18fe d0d5d157 9c0d9614 0c50c26c 5dbbfd20 bc3e3dae ef35427f 6a46f308 "
    "4fed3ff7 a64d6c44 1923a839 cd139387 e84b0d0d 73815030 e401e087 fec66934 82264701 7aea9072 "
    "1cb46a9d 0e0a4950 5e075bed 3e32333c d4fa5078 d9679eab 51e1e5d6 d106cf11 5c51b769 cd9dd509 "
    "941a7ec3 2aed52b8 ad642111 c8f68ba9 ca049035 1082f5e9 3a99632d d7c56ec6 bce64bf9 0ae81664 "
    "787c0edf b0122556 d3f45d00 218df89c 20207fbd bba4b251 1c2f7952 a885ca9a 6f245e5e 1a15d2cb "
    "5877796f 77cfb260 3cd93e9b a6cbdeb2 7d3ab8d9 cc8f4502 50329fb9 6ceee8eb b57bed2b 7ae810dc "
    "63e8a150 042f9ff0 2354d0ec efb0d17e 8c6c752c 56a4514a d190a27a 24379ef5 216617bd 08c9eb8c "
    "40c28d2c ebd9a458 2da68010 334d0c45 755bf21d 3917939b c75621e8 eeed67b9 2c7fefb5 e56d5458 "
    "7039ebcc 15872fad 45646032 21e3e5fd e61ffc09 b7254d04 8811bea3 dc9d54c6 5192cf55 8df9a273 "
    "147cc827 318cd3ab b3c6f4f2 162087b9 fda95f87 807110ce c68b71c1 a2c79148 f72c8bd2 2f400ae8 "
    "9cd0edfe 6dbd0f1e b8903604 9d84d502 9d52d437 7da441f6 e9b33f9b 5afa155c 97f15471 b9e84964 "
    "928cd2f6 08662b1a 9d28ca60 8e8fcdec ca8c642a 84778411 696d4363 ceb3b34e 592ac625 87686ef4 "
    "7f9e8cfb dfbea93a 66b1676f cd9811aa 77627171 215b91dd fc6d39be b5421a03 a5bd4347 9933b12c "
    "ee6d30cd de60b443 5679afde 28c8a435 549d96e3 86001463 5734c636 f92723f3 d769c6b4 b4ccc8e4 "
    "1d68656d 50236d5f d7dbde7a 3c625a14 c412563a 5b95e948 d9441bba 601464b5 cac9864a e9ee3f58 "
    "d8da6dd8 1c2035cf 135bf4a4 e16d6c7e 1001f728 0a0f01d7 42ab0e47 e7ad6614 7c7390ff 677af1cc "
    "534b918f 1fac971e 76fd815d 603453f1 9705d40d a5d06108 124078eb 470469a1 32ca699f 7dbb8d24 "
    "406c91b7 acf089c4 23d585f1 d0ea3e97 0a94d094 afe86996 926b0b97 eb70f99d 4501a7fa c9c0d4a8 "
    "cd24fe70 ed49ce44 04b2161b 26af299f 0d4b0ade 35af09c7 f479529d dd21265b b9cc166d 187a9fe2 "
    "d3900b27 f0a439ce 7b5f0e44 a4bd2e5b e2fe6be7 112553f9 2927cb33 50da33b2 44decdf2 da1db6ba "
    "4a492f51 6ebac373 9915f7bf 642b6bd0 4e7da461 c2933084 6c0033d5 7cc9e901 6192b683 48e20e59 "
    "81f78503 842e4b90 122e5159 46678e28 4fff4cad 0269f40a fe0b228f dca735f2 c6047cb3 4d667535 "
    "74fa70d1 1618446c 521bfbc5 d05f977a a3a29f10 d95805c5 ad2550e6 f1b74352 f73d9f7b 688e2b02 "
    "b6e3bbea 7f321aa2 33c2022a 5775f284 af9c9290 428edbd1 02566294 a85cf56d e9499d10 aac3ef8c "
    "28101950 f164b2bd e970881d 2665df4e 4226e25e bae9e47e 0e4572a0 2ea9c10b e720faaf 66b10cc0 "
    "e86369bd 16df47d3 f9496268 6ffc6467 2d00c2d1 0155b11d 371b7a67 7581de9f 299becb3 08e7b7b0 "
    "7d164f8c 38c0e42e 1d6baa0c e5e93ded 058f19e2 593fa609 37267d06 4932fa09 ad0eb27d 7998918d "
    "1fe445ba ac6092cf 9e3efee2 62d2a68d de2bbc28 af5a0fa1 155f8848 fe224a7a 868ede0f 7f8852e5 "
    "03104fc9 751f688f aa4d82d3 a6a352c4 17b2405b 38d8b92d c9267fa7 b79b9b42 dc95edba 349bce1d "
    "183eae46 361c67cb 5acedb77 138605f2 539ff2ad 53d6d4b7 1bf6367b b52d49d4 ce6c05f3 64c746ec "
    "69c22dfb 6421227a 89cc72b9 e39fb5c0 64fd479e 5ccb2da1 d31e8f33 d9809be4 8e189af9 9edbe2d7 "
    "7ba26d3f ddabba0e 29a6c435 5168e7c0 126fa2f7 b2d8b47c 888fc882 05b0c02b 6c6a9652 3508d8bf "
    "833270ef 1df867c3 f4e4f3ec 72a20bb6 88016ed3 db3b98ff e5be253c c71562c3 41ebddcb cc031f86 "
    "7bd7cffe f2ca7709 7dc75ee6 056e49a0 528fb8aa 19d06795 b5f17ea6 5b35d53c a452c5e1 a228b1ce "
    "16e6394c 096dc23f 7a2660c8 15278411 5bdb906d c28cd9ba 4d935f40 d2687e5a 63492f4e bbd21a99 "
    "b3ca3817 aa4bfb7e d6af736b 7b994f07 501b2014 a5b3e457 fe662b81 b5ea778c 3e14b40b c6234562 "
    "5620364d 878afee9 e8c77b24 0f47662e 8d26f014 4178fce0 a67db26b 752ed8e8 b3c5b550 45829535 "
    "c7031b70 f2430293 67ce5bb4 8b89fa5c 7924972e d0166f37 eafa5864 adffd95c c6c3c5d8 87fc2fd9 "
    "f6d900f3 502babf9 a55a4420 56afe538 72e1c91f 6d81dff7 c3e7d66a 34535456 3463592a 50448f20 "
    "73294a0a 5e372990 4970df12 06f8d196 e4345d9a 0c4d36d3 d9bc4812 186a7ddb d92568fb 7fa4a778 "
    "b7628018 0bba5e64 b1bda932 3408546e 454a1762 1d3ca5d5 7a3f7a29 56dc8a84 5fbd7a1c aa0cc519 "
    "0b9a3e6b e3c6f4fd 2f94e2fb b9d64d0b c9f4291c f67c7de4 7ec41f18 55b45e65 986d38d8 a8bad074 "
    "aaf0af0d 77ab6a35 d01aefa8 473bc9b9 80c0f275 8960c12b 6281bbc5 3f5f66d3 390a9d74 d09db2df "
    "60c11b85 39266258 743a5147 34b6ab22 b45e8b97 1e79738b 3d62e908 dfd2b345 34dfb7f5 263ea2b0 "
    "87837bcb e3e907f2 00c795c3 d0d53218 7854f0b5 abc175d3 2baa7f6c 102d8394 d0dacb7b 0c44501a "
    "b441adbd c900835d dbe70d03 def1605c e64701f2 c163dcdb 32194aec 2bc922a9 f9219d14 6b99375a "
    "4f0bd02d 663f9957 4578521a 137891e4 f2f51aee a1192a10 87946c5a af16f6c6 3dd816ca 002fd3c1 "
    "1e578368 5568bda0 8e3af08d c50cee85 0beb65f2 b698258b ea5e3ada a7e0cc8d 76b34ce2 5500a3a7 "
    "a5574619 a39b75d8 af9688e8 fb8bed13 eefb80e9 519475d3 f0088025 6e60b705 f494886e ecc6176e "
    "e0b9208f b582dbd6 513ecef9 6595f585 d817bf04 6b60ad50 55ba8227 584ebe46 ecc95a4c 505350a0 "
    "c2dee511 25d03023 ffa0c0a2 40fd2dd7 f4fb8605 7251f01f 4764d228 f6058b44 d90f5310 aae39c95 "
    "2a83230a 3ef2108c 03e68681 14ed711b de371c47 53969bc6 72d12e0d 97a9709f 756e1bab 3d53ea72 "
    "bccf12b1 5edafcd0 64cf36b3 30771201 7ef2b20d 1e622024 43269994 5888af99 bf11f02f 3fe45105 "
    "caf5d9e9 4f30f6c6 d2304cf0 432991a5 3e19e6bc 237ffd0f 627617c4 4b76abeb a571ab38 375f143e "
    "2170c08f 05387eba 0906d081 3428808e 3b667234 bf271418 8430a585 e985ee41 e8360804 f85522dc "
    "e785e847 ccca70be aca74e17 6b6c05f7 1611a4e6 af97408b 474f0f29 7f6f4aa6 7859d1cf accc2439 "
    "3bfbc6ed dec65609 92d5870d 87db516d 4ae616f2 f6b46475 88aecbbe d6fe1fd1 430ecf3a f48e9688 "
    "76cd24e8 442a3282 e98e7f88 831f9b22 74c0f51f 24ceb7cf afadad8a 54445e3c d58771da bda69d81 "
    "4f09e185 60ac59a6 f0e050bc bc0e4a79 4a79d0aa c1bcfea3 0d44be4b d4440e58 f434651d 64a774bb "
    "3401f4c4 3b817010 9a2ea0de cf6110bf 990d9e76 7f1e8dad 5d3d28ee 464a8d5d 2d4a0a42 91044148 "
    "2796c87e d76e5f55 b4d8064b 4e0c5a7c 4d366143 77def27a db82c361 e9ef2a37 1a2a7285 9ae9b470 "
    "9d246e30 fe1aaab7 a49bbb85 6083e780 ecb57914 56465a15 5b7dc738 d0b2d632 edffd9b5 20cf4e0a "
    "a900dfb1 e85184dd dc44a698 4d252481 0c69cc43 d54cf7d1 383771e2 223b87a1 1db3d26f b31f0f41 "
    "8aa25db3 7eee507f be0d040a 211b8cdc 47204298 531069af 39e42e22 158fa3b1 00bcb753 dca8b704 "
    "b8149561 37e6f06d 84ca1753 38262393 d6d6d69f 1cf0b466 2cb9f1a5 893c3ad5 2398c163 71ed3c23 "
    "d356ffef 106a04eb 48dfc40f 6c8d049a 7b667cf0 d66deb2a 001ffb0e abc61d4d 0a7d0050 0693cc52 "
    "16c2b901 f64cd3af 2570bf3a 9a131f95 cb9e6a2f d284a37f 9a1613c6 d6e54c6c 4aa2d95c 23035022 "
    "f691970e 7a3e0959 4c6aa37a 10bf0e4b f7da6dfa c6fadb43 276e3227 0958c04a 428c3e2e df0be75f "
    "f870d564 fd8efa46 d1d2acab 95ec1ae6 5bb904fb 8137aea6 0ae75b0d b429f382 946049b3 2c3b11eb "
    "33401bd7 10c73016 988b96f1 c173df1c ac6979c3 f2a8ebb9 01129490 cb458d85 bb0257dc 8f7a6b56 "
    "7ae31420 3e7308d6 a99baa1d d0ee0141 f4e96c70 9cdbb01f 0e140b60 b57683f4 58543111 50f9ddf2 "
    "21a331ec c2aefdb7 8bb98941 05644512 416933f8 5c29f921 5222a26f 0346b149 765d6f04 8f5ef2cd "
    "07fb81c3 cf63dd26 6894cf0e 35aec203 e5c4181d 1734e194 9d93508c c43a9eb8 af4378df b4728e19 "
    "a99b21fe 7639b42e 8d2f469a 79ac63e4 d22dd910 9b5bb32a b0186d62 f4fa7620 7b1e89d0 61cdf9b8 "
    "c247062f 40dd76a6 3266f6b4 8c131c75 10ab8ae7 7d85aabf 7403ee12 b7816847 fde0da3d 83ecb3a8 "
    "1f868c0f 1b86d569 cb0c21ca 1b0a0e83 82337127 4e404757 175bfb11 b8a46785 8a93ff6e f31f675d "
    "300770db 948d7a68 828876d7 7d7134a3 b8cc242c 6eb5dbf3 02fa4ea9 db08d9e6 8649ad21 95ede9f0 "
    "b624c15c 0a034002 6b616e5c 913714f9 7920e029 de47f931 5332117e b8861bc1 bdeed717 5a104ae7 "
    "ea8e3786 9297e3fb 9db304d1 59a7fffb 8adb5d2e c3aa2cdf 4ab098d2 750fb830 8f5988a8 f975652a "
    "282ab92d 1fbea20a 54272766 ddcb96e5 e7b27876 55362bcc 8e6cf183 e870a193 a8893770 b2a28aa9 "
    "7f4fbc58 f4be805c ba19c962 43af6b73 7e3fce2a edced774 1bf81e63 9ea12e65 97910461 16355da0 "
    "54d9469c 266ebb1e 0f131d64 35f93e1b af6ab3aa befeb54c 185beba5 f2319a94 eb32d9ba 1422f4bb "
    "1ebf0154 81055bd0 5fd9a522 a4870588 cdd7dd99 55761f78 cfa97ef7 0390cc3c 0984fe0d 8db3b747 "
    "2d68d50a 487fced9 da77881d 114f6712 7d96b439 be783f45 9c9defac ca395569 3c8477b6 49999bbc "
    "83443668 5e765534 0ed8b590 f4a3f9ca c75ad454 6d6a081f 9f78ed68 6141a856 19aad5e4 1371213b "
    "179b5fa4 bfc57ba4 046231d7 92615994 7e6b4387 952c1945 9be9f1f1 f4863e3e 2f222b6a 45ba9c2f "
    "ca68904d 2cee80d8 3ba72ff1 b6e3b7ac b344e882 040411be 38ce2b0b d536e2d7 e32e78bf 2f38140b "
    "f839c01b 533e84cf dced6c1a 96b6ef38 b6da689e 9e74428e 857a5e18 bab57bde 25c41eb9 dfd9bd2e "
    "75f9e753 5240038e 6cbc2c21 09594100 786886da 36eeedb6 afb2cd75 97e0c43e 1a2f354d 7c5a0a75 "
    "598ddc7c 4a0fd93f d42d2afc 0d017e4c be36a542 a3180bc1 a54c83b6 90058135 db345dd6 50c26dbe "
    "8dbe1ad1 20f04119 3851bb2f 7e2902dd 3713ed35 8a46fb92 e06b8418 9d735df1 64639cb9 be05365b "
    "da25d970 f9531486 67b33594 73476fbf f6835a06 bf9f53d4 cb7e1bc3 0dc525a1 aae810c6 1906a9ec "
    "bd442338 a532154f d10b0f1a b56c7af6 9da8d715 e11b5204 68c00f54 bea4ac1d 164cbd61 9b45325d "
    "2b42637d 715ead3c 999760e2 f07e0b1e 6af71397 25d259b5 ebfcbaa9 11cb82ca d9a7ce7c 0ba9ea02 "
    "fac7efb6 9818ff87 56e2a614 09393452 51391f34 03ad1a31 898cbc07 53c92558 910ffce9 dda99a23 "
    "9f636346 50d25cfd d5a0d0b5 636c1e1f 4f893349 e3a34573 49761b03 77572b36 829a3f2f e50a89a3 "
    "0fab1b24 fc5b378b c0cf0181 2caeba90 dc91124d e410036e 4c9d78dc f50c0937 76c0c66d 50832d8b "
    "178a3072 acbef6c4 b76d0bcd b0bfbf99 9ad78aa9 ecf6ee83 088c8a99 9c9f30d9 67ff8c4e 6978cb22 "
    "2c1891fb 4c94e4c0 1fdee686 cc659a10 0b786143 9d55616d b3a74e32 67339ebc 66113fdc 836ec2b9 "
    "e23fc0f7 00c5e5b1 f82800f6 5f4c41b7 91a68d34 42a0a24f 169e1d54 907f3dc1 5bd54b7a db77213f "
    "ecc2d7b5 24724ca9 a149b74e c6ea5439 c4f44c7f 3a86dca3 8a120a4e 7d42b274 b7402d78 34a11fe6 "
    "20af5f15 9766bbc1 65ff08ef 6c1c3146 ba68ac1e af139c73 a0678e0a 0f8bb2e4 798d4ac5 07b1814b "
    "c562f5fd 31ca6af6 f304a2d8 ecaf03a5 cf7e6d7d bab80cd4 e46a554f 418213c8 2606c219 924b7ac7 "
    "cee8e573 0c889c8e fc1b57c4 5c26c47d 644056e0 80363c70 3c420287 bad03912 cba60ec2 2469987f "
    "a5c39772 9c3ab05a df422cb6 fdede322 1c047444 7b446710 338217bb cdc4b9ac bc4d20bb d77a603e "
    "6aef2b35 477b2df1 7e4211f9 680d4fa0 320106b0 68e81c22 6c8f3d3b 2321ea97 e2505aab 084e34b6 "
    "0eaa93cb 68e9b9dc d1d851ef baade719 32613228 b7e656db f82430c9 9c6636cc 72a906f3 97ff8fa7 "
    "8e0baac7 1bf32cb0 e9af8a4e e4cefaa6 275d814c 1a6dc79e 3cf725e7 a372946c 2ee81416 2e01e423 "
    "fb82910b d52fad82 ffeb3fa9 70037410 677dbd2b 886d735b e15f34c6 7e74c698 a7573d4e 336528ab "
    "793fdac5 f4c23eb4 23ed22ef 074a7f6b ed416139 94ed9b89 21c487c5 0bb82051 7f1711c7 f334ca6e "
    "66759c48 025c49aa 3fcbf1c8 3d110c72 c1526774 eced2ef2 d8728616 aaa0ee14 bb44953e ed54895e "
    "e4d7f552 c42d3d71 b4d2271c a1bfdd66 9d789bc2 196b7d89 4b38219c 64c2ddf0 368c6ecc 21a5d8f5 "
    "aad53ead e25bd764 19db9818 1aa31ef2 234a8017 9e932d2f 995ae8e6 b6902f53 923c6855 dbf39620 "
    "b76c6316 3677323d bc551bfb ade586c6 f072e54b 9ac64ffa c23f64da ad655ef8 5540730e 069ee76f "
    "dd7dcd40 c760ed4e c93c4213 46d46d90 5555dffd af1ae0a3 b4ffa56a deb79ed5 095921f4 d0dcb3bb "
    "f44ed0b2 d8e5e955 2ad1a959 eca19d7c c0169530 975dffcf 3a209352 4290138c 099e3eb8 d77c9efb "
    "10f1b2b9 83ef9246 0ee69165 ec157e49 073bd5be dbb25e84 14dd29db fff297d3 07f5e30c d35e654c "
    "4b095f5f 34485645 50be5d50 791834a1 5915a667 83273190 2c0445b3 3019dfe8 854ac307 4009f1f8 "
    "2fd0e4c9 2881d064 ae53d267 ba1dabd5 3ef9a06c 6d8fb7a1 1dd86ac5 c04419fb 25b7a331 dad90454 "
    "90ad1770 b756ab81 327e21ad fe74e09b df21fc1c 2cc76d6c 9040920d e2e8695b 8d6cabd6 5976b2d7 "
    "8a982386 a940e4ac 64a25139 7f8fec19 02cea5fa ea2a35de 532169bb 610d0928 30412778 6e22c746 "
    "023bb135 aefb60fa d228ffdf 52aacfda 4eb828ce 7622b294 d04dccfc 20b0b787 7cf8b80e 4136888e "
    "d0cff6b3 bf7a9cad b5647810 64237b0a 8f4cebb5 52300cba d037e199 fd5435c2 3d674595 1a09fc17 "
    "79b2768b 58147d0e de25be19 e18ce7c5 15d71c84 2dffb61a fac02214 ca22aa0d f5f7127e 13b0d63c "
    "d29a730c 9a5fcb4c 0d5274c3 585c187d ";
}  // namespace
