// The command line at its edges: recordings of the same name, names of dots,
// pictures over recordings, pipes, a reader that goes away, batches that are
// stopped, and the GNU forms of the options. Each test pins a way in which
// output was once lost, mixed up or never written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>
#include <utility>

#include "support/test_files.h"
#include "tools/tape_encoder.h"

namespace {
using CliEdges = FolderTest;

// A short tape whose program header carries `name`, so that its TAP file tells which tape it came from.
std::vector<std::uint8_t> tape_named(const std::string& name, std::size_t copies = 1) {
    EncoderOptions options;
    options.pilot_pulses = 800;
    options.pause_s = 0.3;
    std::vector<TapBlock> blocks;
    for (std::size_t k = 0; k < copies; ++k) {
        blocks.push_back(make_header(0, name, 3, 10, 3));
        blocks.push_back(make_data_block(0xFF, {1, 2, static_cast<std::uint8_t>(k)}));
    }
    return samples_as_bytes(encode_blocks(blocks, options));
}

std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(CliEdges, RecordingsOfTheSameNameGetFoldersOfTheirOwn) {
    mkdir(at("a").c_str(), 0777);
    mkdir(at("b").c_str(), 0777);
    write_bytes(at("a/side.wav"), tape_named("first"));
    write_bytes(at("b/side.wav"), tape_named("second"));
    write_bytes(at("a/side.flac"), tape_named("third"));
    // In one batch, whichever finishes first: folders in command-line order.
    const CliResult r = run_cli({"-j", "3", "--out", "o", "a/side.wav", "b/side.wav", "a/side.flac"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(list_folder(at("o")), (std::vector<std::string>{"side", "side-2", "side-3"}));
    EXPECT_EQ(list_folder(at("o/side")), (std::vector<std::string>{"000_first.tap", "Log.txt", "side.json"}));
    EXPECT_EQ(list_folder(at("o/side-2")), (std::vector<std::string>{"000_second.tap", "Log.txt", "side.json"}));
    EXPECT_EQ(list_folder(at("o/side-3")), (std::vector<std::string>{"000_third.tap", "Log.txt", "side.json"}));
    EXPECT_NE(r.out.find("o/side-2"), std::string::npos) << r.out;  // the summary says where each went

    // Later single runs find their own folder again, and the log grows there.
    const std::string log_before = text_of("o/side-2/Log.txt");
    CliResult again = run_cli({"--out", "o", "b/side.wav"}, dir.path);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(text_of("o/side-2/Log.txt"), log_before + log_before);
    EXPECT_EQ(text_of("o/side/.velliqor-recording").rfind(dir.path + "/a/side.wav\ncontents: ", 0), 0u);
    // Next to the recordings, the same: side.flac does not write into side/.
    again = run_cli({"a/side.wav"}, dir.path);
    ASSERT_EQ(again.status, 0) << again.err;
    again = run_cli({"a/side.flac"}, dir.path);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("side holds the output of another recording; this one goes into " + dir.path + "/a/side-2"),
              std::string::npos) << again.err;
    EXPECT_EQ(list_folder(at("a/side")), (std::vector<std::string>{"000_first.tap", "Log.txt", "side.json"}));
    EXPECT_EQ(list_folder(at("a/side-2")), (std::vector<std::string>{"000_third.tap", "Log.txt", "side.json"}));
}

TEST_F(CliEdges, ARecordingWhoseContentsChangedGetsANewFolder) {
    mkdir(at("b").c_str(), 0777);
    write_bytes(at("side.wav"), tape_named("sidea", 3));
    write_bytes(at("b/side.wav"), tape_named("other"));
    ASSERT_EQ(run_cli({"--out", "o", "side.wav"}, dir.path).status, 0);
    const std::vector<std::string> side_a = list_folder(at("o/side"));
    const std::string log_a = text_of("o/side/Log.txt");
    ASSERT_EQ(side_a.size(), 5u);
    write_bytes(at("side.wav"), tape_named("sideb"));  // side B recorded over side A
    CliResult r = run_cli({"--out", "o", "side.wav"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("side holds the output of this recording as it was before its contents changed; this one goes into " +
                         dir.path + "/o/side-2"), std::string::npos) << r.err;
    // In a batch as alone: side A's files stay as they were, where they were.
    r = run_cli({"-j", "2", "--out", "o", "b/side.wav", "side.wav"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(list_folder(at("o/side")), side_a);
    EXPECT_EQ(text_of("o/side/Log.txt"), log_a);
    EXPECT_EQ(list_folder(at("o/side-2")), (std::vector<std::string>{"000_sideb.tap", "Log.txt", "side.json"}));
    EXPECT_EQ(list_folder(at("o/side-3")), (std::vector<std::string>{"000_other.tap", "Log.txt", "side.json"}));
    EXPECT_EQ(count_of(text_of("o/side-2/Log.txt"), "Checksum"), 4u);
    // An owner file of the older kind (the path alone) is the recording's, and gains its contents.
    const std::string owner = dir.path + "/b/side.wav\n";
    write_bytes(at("o/side-3/.velliqor-recording"), std::vector<std::uint8_t>(owner.begin(), owner.end()));
    EXPECT_EQ(run_cli({"--out", "o", "b/side.wav"}, dir.path).status, 0);
    EXPECT_EQ(count_of(text_of("o/side-3/Log.txt"), "Checksum"), 4u);
    EXPECT_EQ(text_of("o/side-3/.velliqor-recording").rfind(owner + "contents: ", 0), 0u);
}

TEST_F(CliEdges, TwoRunsOfOneRecordingNeverWriteTheSameLogAtOnce) {
    write_bytes(at("g.wav"), tape_named("same", 6));
    ASSERT_EQ(run_cli({"--out", "single", "g.wav"}, dir.path).status, 0);
    const std::string one_log = text_of("single/g/Log.txt");
    // Named twice in one batch: the same folder, one run after the other.
    const CliResult r = run_cli({"-j", "2", "g.wav", "g.wav"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_EQ(text_of("g/Log.txt"), one_log + one_log);
    // Another process writing into the folder: a clear refusal, and nothing touched.
    const int folder = open(at("g").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(folder, LOCK_EX), 0);
    const CliResult refused = run_cli({"g.wav"}, dir.path);
    close(folder);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("another run of this recording is writing into it"), std::string::npos) << refused.err;
    EXPECT_EQ(text_of("g/Log.txt"), one_log + one_log);
}

TEST_F(CliEdges, NamesMadeOfDotsNeverWriteOutsideTheirPlace) {
    mkdir(at("tapes").c_str(), 0777);
    mkdir(at("out").c_str(), 0777);
    for (const char* name : {".wav", "..wav", "...wav"}) {
        write_bytes(at(std::string("tapes/") + name), tape_named("dots"));
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{std::string("tapes/") + name},
              std::vector<std::string>{"--out", "out", std::string("tapes/") + name}}) {
            const CliResult r = run_cli(args, dir.path);
            EXPECT_EQ(r.status, 1) << name;
            EXPECT_NE(r.err.find("Filename must have a name before its extension!"), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(list_folder(dir.path), (std::vector<std::string>{"out", "tapes"}));
    EXPECT_EQ(list_folder(at("tapes")), (std::vector<std::string>{"...wav", "..wav", ".wav"}));
    EXPECT_TRUE(list_folder(at("out")).empty());
}

TEST_F(CliEdges, APictureNeverReplacesTheRecording) {
    const std::vector<std::uint8_t> tape = tape_named("kept");
    write_bytes(at("a.wav"), tape);
    CliResult r = run_cli({"--snapshot", "a.wav", "a.wav"}, dir.path);
    EXPECT_EQ(r.status, 64);
    EXPECT_NE(r.err.find("would replace the recording itself"), std::string::npos) << r.err;
    ASSERT_EQ(symlink("a.wav", at("link.png").c_str()), 0);  // the same file under another name
    r = run_cli({"--snapshot", "link.png", "a.wav"}, dir.path);
    EXPECT_EQ(r.status, 64);
    EXPECT_EQ(read_bytes(at("a.wav")), tape);
    EXPECT_FALSE(exists(at("a")));  // refused before anything was made
    r = run_cli({"--snapshot", "a.wav", "-"}, dir.path, "a.wav");  // standard input is a file too
    EXPECT_EQ(r.status, 64) << r.err;
    EXPECT_EQ(read_bytes(at("a.wav")), tape);
    // A recording that has the name of a frame is not replaced by that frame.
    mkdir(at("pics").c_str(), 0777);
    write_bytes(at("pics/frame-0000000000.png"), tape);
    r = run_cli({"--frames", "pics", "pics/frame-0000000000.png"}, dir.path);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("frame-0000000000.png: it is the recording"), std::string::npos) << r.err;
    EXPECT_EQ(read_bytes(at("pics/frame-0000000000.png")), tape);
}

TEST_F(CliEdges, APictureNeverLandsInAnOutputFolder) {
    write_bytes(at("hello.wav"), tape_named("hello"));
    ASSERT_EQ(run_cli({"--tzx", "hello.wav"}, dir.path).status, 0);
    ASSERT_EQ(symlink("hello", at("alias").c_str()), 0);
    const std::vector<std::string> files = list_folder(at("hello"));
    const std::string log = text_of("hello/Log.txt");
    for (const char* inside : {"hello/000_hello.tap", "hello/Log.txt", "hello/hello.tzx", "hello/.velliqor-recording",
                               "hello", "alias/000_hello.tap", "hello-2/p.png", "./hello/../hello/p.png"}) {
        const CliResult r = run_cli({"--snapshot", inside, "hello.wav"}, dir.path);
        EXPECT_EQ(r.status, 64) << inside;
        EXPECT_NE(r.err.find("is inside the output folder " + dir.path + "/hello"), std::string::npos) << r.err;
    }
    EXPECT_EQ(run_cli({"--snapshot", "o/hello/p.png", "--out", "o", "hello.wav"}, dir.path).status, 64);
    EXPECT_EQ(list_folder(at("hello")), files);
    EXPECT_EQ(text_of("hello/Log.txt"), log);
    EXPECT_EQ(read_bytes(at("hello/000_hello.tap"))[0], 19);
    EXPECT_EQ(run_cli({"--snapshot", "hello.png", "hello.wav"}, dir.path).status, 0);  // beside it is fine
}

TEST_F(CliEdges, ANamedPipeAndStandardInputAreReadOnce) {
    const std::vector<std::uint8_t> tape = tape_named("piped");
    write_bytes(at("tape.raw"), tape);
    ASSERT_EQ(mkfifo(at("live.raw").c_str(), 0600), 0);
    // The writer gives up when no reader comes, and a reader that goes away fails its writes.
    std::signal(SIGPIPE, SIG_IGN);
    std::thread writer([&] {
        int fd = -1;
        for (int k = 0; k < 3000 && fd < 0; ++k) {
            fd = open(at("live.raw").c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) usleep(10000);
        }
        if (fd < 0) return;
        fcntl(fd, F_SETFL, 0);
        if (write(fd, tape.data(), tape.size()) < 0) ADD_FAILURE() << "writing the pipe failed";
        close(fd);
    });
    const pid_t pid = start_program(VELLIQOR_CLI, {"live.raw"}, dir.path, "out.txt", "err.txt");
    const int status = wait_at_most(pid, 30);
    writer.join();
    EXPECT_EQ(status, 0) << text_of("err.txt");
    EXPECT_EQ(parse_tap(read_bytes(at("live/000_piped.tap"))).size(), 2u);

    // Standard input, twice: a new folder each time, since each is another tape.
    for (const char* folder : {"o/stdin", "o/stdin-2"}) {
        const CliResult r = run_cli({"--out", "o", "-"}, dir.path, "tape.raw");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_bytes(at(std::string(folder) + "/000_piped.tap")), read_bytes(at("live/000_piped.tap")));
    }
    EXPECT_EQ(run_cli({"-", "-"}, dir.path).status, 64);  // one run can read it
}

TEST_F(CliEdges, AReaderThatGoesAwayDoesNotCutTheRecoveryShort) {
    write_bytes(at("long.raw"), tape_named("part", 12));
    ASSERT_EQ(run_cli({"--out", "whole", "long.raw"}, dir.path).status, 0);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);  // like `| head -0`: nobody reads
        std::signal(SIGPIPE, SIG_DFL);  // as a shell starts it
        dup2(fds[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDERR_FILENO);
        if (chdir(dir.path.c_str()) != 0) _exit(127);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        execl(VELLIQOR_CLI, VELLIQOR_CLI, "long.raw", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[0]);
    close(fds[1]);
    EXPECT_EQ(wait_at_most(pid, 60), 0);
    EXPECT_EQ(list_folder(at("long")), list_folder(at("whole/long")));
    for (const std::string& name : list_folder(at("whole/long"))) {
        EXPECT_EQ(read_bytes(at("long/" + name)), read_bytes(at("whole/long/" + name))) << name;
    }
}

TEST_F(CliEdges, AStoppedBatchStopsItsRunsAndTellsWhatEachRecovered) {
    std::vector<TapBlock> blocks;
    for (int k = 0; k < 60; ++k) blocks.push_back(make_data_block(0xFF, std::vector<std::uint8_t>(3000, 0x5A)));
    EncoderOptions options;
    options.pilot_pulses = 1000;
    options.pause_s = 0.1;
    const std::vector<std::uint8_t> tape = samples_as_bytes(encode_blocks(blocks, options));
    write_bytes(at("one.raw"), tape);
    write_bytes(at("two.raw"), tape);
    write_bytes(at("three.raw"), tape);
    const pid_t batch = start_program(VELLIQOR_CLI, {"-j", "2", "one.raw", "two.raw", "three.raw"}, dir.path,
                                      "out.txt", "err.txt");
    for (int k = 0; k < 3000 && count_of(text_of("one/Log.txt"), "Checksum") < 2; ++k) usleep(5000);
    kill(batch, SIGTERM);  // the parent alone
    EXPECT_EQ(wait_at_most(batch, 20), 1);
    const std::string table = text_of("out.txt");
    EXPECT_EQ(count_of(table, "  stopped\n"), 2u) << table;
    // However early the stop reaches a run, it is taken as a stop, never as a death by signal.
    EXPECT_EQ(table.find("ended by signal"), std::string::npos) << table;
    EXPECT_NE(table.find(" one "), std::string::npos) << table;  // a stopped run names its folder
    EXPECT_NE(table.find("not run: the batch was stopped before it"), std::string::npos) << table;
    EXPECT_LT(count_of(text_of("one/Log.txt"), "Checksum"), 60u);  // it did stop early
    // The stopped rows give the blocks recovered, and each of those is whole.
    const std::size_t row = table.find("one.raw");
    int blocks_told = -1;
    ASSERT_EQ(std::sscanf(table.c_str() + row, "one.raw %d", &blocks_told), 1) << table;
    EXPECT_EQ(static_cast<std::size_t>(blocks_told), count_of(text_of("one/Log.txt"), "Checksum"));
    EXPECT_EQ(parse_tap(read_bytes(at("one/000_Noname.tap"))).size(), static_cast<std::size_t>(blocks_told));
}

TEST_F(CliEdges, ABatchShortOfFileDescriptorsRunsEveryRecordingOrSaysWhyNot) {
    std::vector<std::string> args{"-j", "8"};
    for (int k = 0; k < 8; ++k) {
        const std::string name = "t" + std::to_string(k) + ".raw";
        write_bytes(at(name), tape_named("fd"));
        args.push_back(name);
    }
    std::string command = "ulimit -n 12 && exec '" VELLIQOR_CLI "'";
    for (const std::string& a : args) command += " '" + a + "'";
    const CliResult r = run_program("/bin/sh", {"-c", command}, dir.path);
    std::size_t rows = 0;
    for (std::size_t at = r.out.find(".raw"); at != std::string::npos; at = r.out.find(".raw", at + 1)) {
        const std::string line = r.out.substr(at, r.out.find('\n', at) - at);
        // A run itself short of descriptors loses output and says so; none is left without a verdict.
        EXPECT_TRUE(line.find(" ok") != std::string::npos || line.find(" output lost") != std::string::npos ||
                    line.find("not run: ") != std::string::npos)
            << line;
        ++rows;
    }
    EXPECT_EQ(rows, 8u) << r.out << r.err;
    EXPECT_EQ(r.out.find("not run\n"), std::string::npos) << r.out;  // never without a reason
}

TEST_F(CliEdges, GnuFormsOfTheOptionsAndAStatusOfTheirOwnForUsageErrors) {
    write_bytes(at("-g.wav"), tape_named("gnu"));
    CliResult r = run_cli({"--out=o", "-j2", "-q", "--", "-g.wav"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(exists(at("o/-g/000_gnu.tap")));
    EXPECT_EQ(r.out, "");
    EXPECT_NE(run_cli({"-h"}, dir.path).out.find("Usage: velliqor"), std::string::npos);
    EXPECT_NE(run_cli({"-V"}, dir.path).out.find("2.01"), std::string::npos);
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{}, {"--bogus", "a.wav"}, {"-x", "a.wav"}, {"--out"}, {"-j", "0", "a.wav"},
          {"--channel", "right", "--raw", "a.wav"}, {"--raw", "--convert", "a.wav"}, {"--pace", "1", "a.wav", "b.wav"}, {"--snapshot=p.png", "a.wav", "b.wav"},
          {"--frames-every", "2", "a.wav"}}) {
        r = run_cli(wrong, dir.path);
        EXPECT_EQ(r.status, 64) << (wrong.empty() ? "" : wrong[0]);
        EXPECT_NE(r.err.find("Try 'velliqor --help'"), std::string::npos) << r.err;
    }
    EXPECT_NE(run_cli({"--out"}, dir.path).err.find("--out needs a value"), std::string::npos);
    EXPECT_NE(run_cli({"--bogus=1", "a.wav"}, dir.path).err.find("unknown option --bogus"), std::string::npos);
    // Each build names itself.
    EXPECT_NE(run_program(VELLIQOR_CLI_2_0, {"--version"}, dir.path).out,
              run_program(VELLIQOR_CLI_2_0_LONG, {"--version"}, dir.path).out);
    EXPECT_NE(run_program(VELLIQOR_CLI_2_0_LONG, {"--version"}, dir.path).out.find("2.0-long"), std::string::npos);
}

TEST_F(CliEdges, ATapeFileNamedAfterTheRecordingIsRefusedNotReadAsOne) {
    write_bytes(at("game.wav"), tape_named("game"));
    for (const auto& [tape, said] : {std::pair<std::string, std::string>{"game.tap", "game.tap is a TAP file, not a recording"},
                                     {"o/Game.TZX", "o/Game.TZX is a TZX file, not a recording"}}) {
        const CliResult r = run_cli({"game.wav", tape}, dir.path);
        EXPECT_EQ(r.status, 64);
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    }
    EXPECT_FALSE(exists(at("game")));  // nothing was run
    mkdir(at("x.tap").c_str(), 0777);  // only the name's own extension counts
    write_bytes(at("x.tap/side.wav"), tape_named("side"));
    EXPECT_EQ(run_cli({"x.tap/side.wav"}, dir.path).status, 0);
}

TEST_F(CliEdges, LinksInTheOutputFolderAreNotFollowed) {
    write_bytes(at("g.wav"), tape_named("cli"));
    mkdir(at("g").c_str(), 0777);
    write_bytes(at("victim"), {1, 2, 3});
    ASSERT_EQ(symlink("../victim", at("g/000_cli.tap").c_str()), 0);
    CliResult r = run_cli({"g.wav"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(at("victim")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(parse_tap(read_bytes(at("g/000_cli.tap"))).size(), 2u);
}

TEST_F(CliEdges, FailuresSayWhatFailed) {
    write_bytes(at("g.wav"), tape_named("cli"));
    mkdir(at("g").c_str(), 0777);
    mkdir(at("g/Log.txt").c_str(), 0777);  // a log that cannot be made says why
    CliResult r = run_cli({"g.wav"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Can't create Log File! (Log.txt: Is a directory)"), std::string::npos) << r.err;
    rmdir(at("g/Log.txt").c_str());
    write_bytes(at("blocker"), {0});
    r = run_cli({"--out", "blocker/o", "g.wav"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Can't create output folder! (" + dir.path + "/blocker/o: Not a directory)"),
              std::string::npos) << r.err;
    write_bytes(at("noise.wav"), std::vector<std::uint8_t>(1000, 7));  // no audio format libsndfile knows
    r = run_cli({"--convert", "noise.wav"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("Файл не найден!"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("noise.wav"), std::string::npos) << r.err;
    // Started in a folder since removed: the recording's name is not taken for its folder.
    mkdir(at("gone").c_str(), 0777);
    r = run_program("/bin/sh", {"-c", std::string("cd gone && rmdir ../gone && exec ") + VELLIQOR_CLI + " g.wav"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("velliqor: g.wav: No such file or directory"), 0u) << r.err;
}
}  // namespace
