// dravo-render's outputs and what it says about them: links, pipes and the
// standard streams; non-finite input, clipping, dither, the trailing-silence
// rule, output formats, truncated input, and --set through the display texts.
#include "RenderHarness.h"
#include "host/VstHost.h"

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kQuietEqOff = " --param 'EQ all=0' -q";

bool isKind(const std::string& path, mode_t kind) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

// Every output kind gets the whole input, bit for bit: links keep pointing
// where they did (their targets replaced), the FIFO stays a FIFO and its
// reader gets a readable file, "-" reads a pipe and writes one.
TEST_F(RenderTest, OutputsGoThroughLinksFifosAndStandardStreams) {
    Audio in = noise(0.2, 2, 0.5);
    writeAudio("in.wav", in);
    mkdir(path("el").c_str(), 0755);
    writeBytes("el/target.wav", {'o', 'l', 'd'});
    ASSERT_EQ(symlink("el/target.wav", path("link.wav").c_str()), 0);
    ASSERT_EQ(symlink("el/new.wav", path("dangling.wav").c_str()), 0);
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0644), 0);
    // The reader is bounded: should the tool replace the FIFO, it times out.
    const std::string keepCode = "; echo $? >.rc; } | cat > ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\"$DRAVO\" in.wav link.wav" + kQuietEqOff, "el/target.wav"},
        {"\"$DRAVO\" in.wav dangling.wav" + kQuietEqOff, "el/new.wav"},
        {"timeout 20 cat fifo > fromfifo.wav & \"$DRAVO\" in.wav fifo" + kQuietEqOff +
             "; rc=$?; wait; exit $rc",
         "fromfifo.wav"},
        {"cat in.wav | { \"$DRAVO\" - -" + kQuietEqOff + keepCode + "piped.wav; exit $(cat .rc)",
         "piped.wav"},
        {"{ \"$DRAVO\" in.wav /dev/stdout" + kQuietEqOff + keepCode +
             "devstdout.wav; exit $(cat .rc)",
         "devstdout.wav"},
        {"\"$DRAVO\" in.wav -" + kQuietEqOff + " > redirected.wav", "redirected.wav"},
    };
    for (const auto& [script, result] : cases) {
        CliRun r = runShell(script);
        ASSERT_EQ(r.exitCode, 0) << script << ": " << r.err;
        Audio out = readAudio(result);
        EXPECT_EQ(out.frames(), in.frames()) << script;
        EXPECT_TRUE(sameSamples(in, out, in.frames())) << script;
    }
    // Ogg and FLAC through a pipe have no length at all (libsndfile says "as
    // long as can be"), and FLAC is read where it can seek: the output still
    // ends with the data.
    for (std::string format : {"ogg", "flac"}) {
        CliRun r = runShell("\"$DRAVO\" in.wav - --format " + format + " -q | \"$DRAVO\" - from" +
                            format + ".wav -q");
        ASSERT_EQ(r.exitCode, 0) << format << ": " << r.err;
        EXPECT_EQ(readAudio("from" + format + ".wav").frames(), in.frames()) << format;
    }
    EXPECT_TRUE(isKind(path("link.wav"), S_IFLNK));
    EXPECT_TRUE(isKind(path("dangling.wav"), S_IFLNK));
    EXPECT_TRUE(isKind(path("fifo"), S_IFIFO));
    EXPECT_TRUE(isKind("/dev/stdout", S_IFLNK));
    // No temporary file is left beside the link targets.
    unlink(path("link.wav").c_str());
    unlink(path("dangling.wav").c_str());
    EXPECT_EQ(readBytes("el/target.wav").size(), readBytes("el/new.wav").size());
}

// A replaced output stays the same file where a rename would make it another:
// hard links still share it, another owner keeps it (tried as root); a loop of
// links and a plot over something that is not a PNG image are refused.
TEST_F(RenderTest, ReplacedOutputsStayTheSameFileAndStrangeTargetsAreRefused) {
    Audio in = noise(0.1, 2, 0.5);
    writeAudio("in.wav", in);
    writeBytes("linked.wav", {'o', 'l', 'd'});
    ASSERT_EQ(link(path("linked.wav").c_str(), path("other-name.wav").c_str()), 0);
    writeBytes("owned.wav", {'o', 'l', 'd'});
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path("owned.wav").c_str(), 4321, 4321), 0);
    }
    for (const std::string out : {"linked.wav", "owned.wav"}) {
        struct stat before, after;
        ASSERT_EQ(stat(path(out).c_str(), &before), 0);
        CliRun r = run({"in.wav", out, "-q"});
        ASSERT_EQ(r.exitCode, 0) << out << ": " << r.err;
        ASSERT_EQ(stat(path(out).c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << out << " is another file now";
        EXPECT_EQ(after.st_uid, before.st_uid) << out;
        EXPECT_EQ(after.st_gid, before.st_gid) << out;
        EXPECT_EQ(readAudio(out).frames(), in.frames()) << out;
    }
    EXPECT_EQ(readBytes("other-name.wav"), readBytes("linked.wav"));

    ASSERT_EQ(symlink("loop-b", path("loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", path("loop-b").c_str()), 0);
    const auto wav = readBytes("in.wav");
    writeBytes("in.png", wav);
    const struct {
        std::vector<std::string> args;
        int code;
        std::string says;
    } cases[] = {
        {{"in.wav", "loop-a"}, 5, "loop-a: a loop of symbolic links"},
        {{"--plot", "loop-b"}, 5, "loop-b: a loop of symbolic links"},
        {{"--plot", "plot.wav"}, 2, "the plot is a PNG image; name it .png"},
        {{"--plot", "in.png"}, 5, "in.png: the file there is not a PNG image"},
    };
    for (const auto& c : cases) {
        CliRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args[1] << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_TRUE(isKind(path("loop-a"), S_IFLNK));
    EXPECT_TRUE(isKind(path("loop-b"), S_IFLNK));
    EXPECT_EQ(readBytes("in.png"), wav);
    EXPECT_EQ(access(path("plot.wav").c_str(), F_OK), -1);
    ASSERT_EQ(run({"--plot", "plot.png"}).exitCode, 0);
    EXPECT_EQ(run({"--plot", "plot.png"}).exitCode, 0) << "a PNG image is replaced";
}

// A plug-in that brings the tool down (a crash, an abort, an exit of its own)
// leaves no temporary file behind. (The address sanitizer is told to let the
// tool's own crash handler run.)
TEST_F(RenderTest, APluginThatBringsTheToolDownLeavesNoTemporaryFile) {
    writeAudio("in.wav", noise(0.2, 2, 0.5));
    const auto before = files();
    for (const std::string crash : {"segv", "abort", "exit"}) {
        CliRun r = runShell(
            "ASAN_OPTIONS=allow_user_segv_handler=1:$ASAN_OPTIONS FAKE_PEER_CRASH=" + crash +
            " exec \"$DRAVO\" in.wav out.wav --plugin '" + kPeerPlugin + "'");
        EXPECT_NE(r.exitCode, 0) << crash;
        EXPECT_EQ(files(), before) << crash;
    }
}

// What the tool finds in the signal is said, and refused where asked: a NaN
// in the input (which master-off passes on unchanged), samples over full
// scale, and a sine far below the last bit of 16-bit PCM that only dither keeps.
TEST_F(RenderTest, NonFiniteInputAndClippingAreReportedAndRefusedWhereAsked) {
    Audio nan = noise(0.2, 2, 0.3);
    nan.samples[2205 * 2] = std::nan("");
    writeAudio("nan.wav", nan);
    Audio loud = noise(0.2, 2, 0.5);
    loud.samples[1000 * 2] = 1.354f;
    loud.samples[1001 * 2 + 1] = -1.25;
    writeAudio("loud.wav", loud);
    const auto before = files();
    struct Case {
        std::string args;
        int code;
        std::vector<std::string> messages;
        bool written;
    };
    const std::string nanSeen = "1 input sample is not finite (NaN or infinite), the first in "
                                "frame 2205 (0.050 s)";
    // The plug-in itself recovers from a non-finite input sample, so the
    // refusal is shown with the test peer, which passes a NaN through.
    const std::string peer = " --plugin '" + kPeerPlugin + "'";
    const std::string flat = " --param 'EQ all=0'";
    const std::vector<Case> cases = {
        {"nan.wav out.wav" + peer,
         6,
         {nanSeen, "output samples are not finite", "nothing written"},
         false},
        {"nan.wav out.wav --allow-nonfinite" + peer, 0, {nanSeen}, true},
        {"nan.wav out.wav" + flat, 0, {nanSeen}, true},
        {"loud.wav out.wav --bits 24 -q" + flat,
         0,
         {"2 samples clipped (peak +2.63 dBFS, the first at 0.023 s)"},
         true},
        {"loud.wav out.wav --bits 24 --no-clip" + flat, 6, {"2 samples over full scale"}, false},
        {"loud.wav out.wav" + flat, 0, {"2 samples over full scale (kept: float)"}, true},
    };
    for (const auto& c : cases) {
        unlink(path("out.wav").c_str());
        CliRun r = runShell("\"$DRAVO\" " + c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args << ": " << r.err;
        for (const auto& m : c.messages)
            EXPECT_NE(r.err.find(m), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(access(path("out.wav").c_str(), F_OK) == 0, c.written) << c.args;
        if (!c.written) {
            EXPECT_EQ(files(), before) << c.args << " left files behind";
        }
    }
    Audio kept = readAudio("out.wav");
    EXPECT_FLOAT_EQ(static_cast<float>(kept.samples[2000]), 1.354f) << "float keeps the peak";
}

TEST_F(RenderTest, SixteenBitOutputIsDitheredAndAQuietSineSurvives) {
    const double level = std::pow(10.0, -110.0 / 20.0);
    writeAudio("quiet.wav", sine(1.0, 1, level, 1000.0));
    ASSERT_EQ(run({"quiet.wav", "d1.wav", "--bits", "16", "--param", "EQ all=0"}).exitCode, 0);
    ASSERT_EQ(run({"quiet.wav", "d2.wav", "--bits", "16", "--param", "EQ all=0"}).exitCode, 0);
    ASSERT_EQ(run({"quiet.wav", "plain.wav", "--bits", "16", "--no-dither", "--param", "EQ all=0"})
                  .exitCode,
              0);
    Audio dithered = readAudio("d1.wav"), plain = readAudio("plain.wav");
    EXPECT_EQ(dithered.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(readBytes("d1.wav"), readBytes("d2.wav")) << "the dither is repeatable";
    double a = amplitudeAt(dithered, 0, 1000.0, 4410, 44100 - 4410);
    EXPECT_NEAR(20 * std::log10(a / level), 0.0, 1.0) << "the sine is kept under the dither";
    Audio silent = plain;
    std::fill(silent.samples.begin(), silent.samples.end(), 0.0);
    EXPECT_EQ(maxDiff(plain, silent), 0.0) << "undithered, -110 dBFS rounds to nothing";
}

// The output holds every input frame, then the tail up to its last frame
// whose signal the output format does not show as zero (undithered, that
// frame holds a step): at 16 and 24 bits exactly where a render in doubles
// with a tail of a fixed length, written whole, says.
TEST_F(RenderTest, TailEndsAtTheLastFrameTheOutputFormatShows) {
    Audio in = noise(0.2, 2, 0.3);
    writeAudio("in.wav", in);
    const long long fixed = 20000;
    ASSERT_EQ(run({"in.wav", "whole.wav", "--preset", "De-esser 1", "--bits", "double", "--tail",
                   std::to_string(fixed)})
                  .exitCode,
              0);
    const Audio whole = readAudio("whole.wav");
    ASSERT_EQ(whole.frames(), in.frames() + fixed) << "--tail N writes N frames, silent or not";
    std::map<std::string, long long> lengths;
    for (const auto& [bits, steps] : {std::pair<std::string, double>{"16", 32768.0},
                                      std::pair<std::string, double>{"24", 8388608.0}}) {
        long long expected = 0;
        for (long long i = 0; i < whole.frames(); ++i)
            for (int ch = 0; ch < 2; ++ch)
                if (std::nearbyint(whole.samples[2 * i + ch] * steps) != 0) expected = i + 1;
        ASSERT_LT(expected, whole.frames()) << bits << ": the fixed tail was too short to tell";
        CliRun r =
            run({"in.wav", bits + ".wav", "--preset", "De-esser 1", "--bits", bits, "--no-dither"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        lengths[bits] = readAudio(bits + ".wav").frames();
        EXPECT_EQ(lengths[bits], expected) << bits;
    }
    EXPECT_LT(lengths["16"], lengths["24"]);
    EXPECT_GT(lengths["16"], in.frames());
    EXPECT_NE(run({"--help"}).out.find("-144 dBFS for"), std::string::npos);
}

// A lossy output keeps an MP3's bit rate, or takes --quality; the summary
// says which, and --quality is refused for an output that is not lossy.
TEST_F(RenderTest, LossyOutputKeepsAnMp3sBitRateOrTakesTheQualityAsked) {
    Audio in = noise(2.0, 2, 0.3);
    writeAudio("in.wav", in);
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = 44100;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* f = sf_open(path("in.mp3").c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    int mode = SF_BITRATE_MODE_CONSTANT;
    double best = 0;
    sf_command(f, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    sf_command(f, SFC_SET_COMPRESSION_LEVEL, &best, sizeof best);
    sf_writef_double(f, in.samples.data(), in.frames());
    sf_close(f);
    auto kbps = [&](const std::string& name) { return readBytes(name).size() * 8 / 2.0 / 1000; };
    ASSERT_GT(kbps("in.mp3"), 300);
    const struct {
        std::vector<std::string> args;
        int code;
        std::string says;
        double minKbps, maxKbps;
    } cases[] = {
        {{"in.mp3", "kept.mp3"}, 0, "MP3 at 320 kb/s constant, as the input", 300, 340},
        {{"in.mp3", "low.mp3", "--quality", "0.2"}, 0, "quality 0.2 (--quality)", 0, 160},
        {{"in.wav", "plain.ogg"}, 0, "libsndfile's default quality (--quality sets it)", 0, 1e9},
        {{"in.wav", "x.flac", "--quality", "0.5"}, 2, "--quality: x.flac is not lossy", 0, 0},
    };
    for (const auto& c : cases) {
        CliRun r = run(c.args);
        ASSERT_EQ(r.exitCode, c.code) << c.args[1] << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        if (c.code != 0) continue;
        EXPECT_GE(kbps(c.args[1]), c.minKbps) << c.args[1];
        EXPECT_LE(kbps(c.args[1]), c.maxKbps) << c.args[1];
    }
}

TEST_F(RenderTest, FormatsComeFromTheExtensionAndSeveralFilesGoIntoAFolder) {
    writeAudio("in.wav", noise(0.2, 2, 0.3));
    writeAudio("in48.wav", noise(0.2, 2, 0.3, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000));
    writeAudio("b.flac", noise(0.2, 1, 0.3, SF_FORMAT_FLAC | SF_FORMAT_PCM_16));
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{"in.wav", "x.ogg"}, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {{"in48.wav", "x.opus"}, SF_FORMAT_OGG | SF_FORMAT_OPUS},
        {{"in.wav", "x.xyz", "--format", "aiff"}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {{"in.wav", "x.caf", "--bits", "16"}, SF_FORMAT_CAF | SF_FORMAT_PCM_16},
    };
    for (const auto& [args, format] : cases) {
        CliRun r = run(args);
        ASSERT_EQ(r.exitCode, 0) << args[1] << ": " << r.err;
        EXPECT_EQ(readAudio(args[1]).format, format) << args[1];
    }
    mkdir(path("outdir").c_str(), 0755);
    CliRun r = run({"in.wav", "b.flac", "-o", "outdir", "--preset", "Radio"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readAudio("outdir/in.wav").format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(readAudio("outdir/b.flac").format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_NE(r.err.find("2 files: 2 written to outdir, 0 failed"), std::string::npos) << r.err;
}

// A WAV (and an AIFF) cut short: said when the file is read from disk (libsndfile knows
// its size) and when it arrives through a pipe (it ends while reading).
TEST_F(RenderTest, TruncatedInputIsReported) {
    writeAudio("full.wav", noise(0.25, 2, 0.3, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    auto bytes = readBytes("full.wav");
    bytes.resize(44 + 4986 * 4 + 2);
    writeBytes("cut.wav", bytes);
    CliRun r = run({"cut.wav", "out.wav"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("cut.wav: the file ends early: 4986 frames read"), std::string::npos)
        << r.err;
    r = runShell("cat cut.wav | \"$DRAVO\" - out.wav");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("standard input: the file ends early: 4986 frames read of the 11025"),
              std::string::npos)
        << r.err;
    r = run({"full.wav", "out.wav"});
    EXPECT_EQ(r.err.find("ends early"), std::string::npos) << r.err;
    writeAudio("full.aiff", noise(0.25, 2, 0.3, SF_FORMAT_AIFF | SF_FORMAT_PCM_16));
    bytes = readBytes("full.aiff");
    bytes.resize(bytes.size() / 2);
    writeBytes("cut.aiff", bytes);
    r = run({"cut.aiff", "out.wav"});
    EXPECT_NE(r.err.find("cut.aiff: the file ends early"), std::string::npos) << r.err;
}

std::string trimmed(const std::string& s) {
    auto b = s.find_first_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// --list's parameter lines: index -> (name, value shown).
std::map<int, std::pair<std::string, std::string>> listedParameters(const std::string& out) {
    std::map<int, std::pair<std::string, std::string>> rows;
    std::istringstream in(out.substr(out.find("\nparameters")));
    std::string line;
    std::getline(in, line);
    std::getline(in, line);
    while (std::getline(in, line))
        if (line.size() > 33)
            rows[std::stoi(line.substr(0, 5))] = {trimmed(line.substr(7, 14)),
                                                  trimmed(line.substr(22, 10))};
    return rows;
}

// Every text the plug-in shows for a parameter, given to --set, round-trips.
TEST_F(RenderTest, SetTakesEveryTextThePluginShows) {
    VstPlugin p;
    ASSERT_EQ(p.load(DRAVO_PLUGIN_PATH), "");
    p.setLogging(false);
    p.start(44100.0f, 512);
    CliRun listed = run({"--list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const auto names = listedParameters(listed.out);
    ASSERT_EQ(names.size(), 25u);
    EXPECT_EQ(names.at(17).first, "MID1.freq");
    EXPECT_EQ(names.at(23).first, "MID2.gain");
    for (float v : {0.0f, 0.13f, 0.5f, 0.77f, 1.0f}) {
        std::vector<std::string> args = {"--list"};
        std::map<int, std::string> wanted;
        for (const auto& [index, row] : names) {
            p.setParameter(index, v);
            wanted[index] = trimmed(p.paramDisplay(index).text);
            args.insert(args.end(), {"--set", row.first + "=" + wanted[index]});
        }
        CliRun r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        for (const auto& [index, row] : listedParameters(r.out))
            EXPECT_EQ(row.second, wanted[index]) << row.first << " at " << v;
    }
    // The units a user types: none, k for kHz, a leading plus; our symbols.
    CliRun r = run({"--list", "--set", "OUTPUT=-4", "--set", "Hfreq=10k", "--set",
                    "MID2.gain=+12.5", "--set", "lsr=left", "--set", "MID1.Q=4", "--set",
                    "mid1_freq=5680", "--set", "low_shelf_gain=3dB"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto rows = listedParameters(r.out);
    EXPECT_EQ(rows.at(6).second, "-4dB");
    EXPECT_EQ(rows.at(25).second, "10.0kHz");
    EXPECT_EQ(rows.at(23).second, "12.50dB");
    EXPECT_EQ(rows.at(1).second, "Left");
    EXPECT_EQ(rows.at(18).second, "4.0");
    EXPECT_EQ(rows.at(17).second, "5.68kHz");
    EXPECT_EQ(rows.at(15).second, "3.00dB");
}

// The plot reaches the Nyquist frequency of its rate, its phase is
// unwrapped, and its title says what the settings changed.
TEST_F(RenderTest, PlotReachesNyquistUnwrapsThePhaseAndNamesTheEdits) {
    CliRun r = run({"--plot", "p.png", "--preset", "Radio", "--phase", "--rate", "96000", "--set",
                    "OUTPUT=-4", "--param", "LPFfreq=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::ifstream csv(path("p.csv"));
    std::string line;
    std::getline(csv, line);
    EXPECT_NE(line.find("Radio (edited: OUTPUT -4dB, LPFfreq 28.3kHz)"), std::string::npos) << line;
    std::getline(csv, line);
    std::vector<double> freq, phase;
    while (std::getline(csv, line)) {
        double f, l, rdb, lp;
        char comma;
        std::istringstream ss(line);
        ss >> f >> comma >> l >> comma >> rdb >> comma >> lp;
        freq.push_back(f);
        phase.push_back(lp);
    }
    ASSERT_GT(freq.size(), 500u);
    EXPECT_GT(freq.back(), 47900.0);
    EXPECT_LT(freq.back(), 48000.0);
    double lowest = 0;
    for (std::size_t i = 1; i < phase.size(); ++i) {
        EXPECT_LT(std::fabs(phase[i] - phase[i - 1]), 180.0) << freq[i] << " Hz";
        lowest = std::min(lowest, phase[i]);
    }
    EXPECT_LT(lowest, -360.0) << "Radio's filters turn the phase by more than a turn";

    // A latency announced only once processing has begun is taken out of the
    // phase as well: the peer's delayed gain has none left.
    r = runShell("FAKE_PEER_LATE_LATENCY=300 exec \"$DRAVO\" --plot late.png --phase --plugin '" +
                 kPeerPlugin + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::ifstream late(path("late.csv"));
    std::getline(late, line);
    std::getline(late, line);
    double worst = 0;
    while (std::getline(late, line)) {
        double f, l, rdb, lp;
        char comma;
        std::istringstream ss(line);
        ss >> f >> comma >> l >> comma >> rdb >> comma >> lp;
        worst = std::max(worst, std::fabs(lp));
    }
    EXPECT_LT(worst, 0.01) << "degrees of phase left by a latency reported late";
}

} // namespace
