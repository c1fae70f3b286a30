// dravo-render end to end: files in, files out, through the built plug-in.
#include "RenderHarness.h"
#include "host/VstHost.h"
#include "presets/PresetTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The plotted table: frequency -> left dB.
std::map<double, double> readCsv(const std::string& path) {
    std::map<double, double> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line[0] == 'f') continue;
        std::istringstream ss(line);
        double f, l;
        char comma;
        ss >> f >> comma >> l;
        rows[f] = l;
    }
    return rows;
}

// One of our preset files: a name record and parameter records.
std::vector<unsigned char> presetFile(const char* name,
                                      const std::vector<std::pair<int, float>>& values) {
    presettest::BufferWriter w(34);
    w.name(0, name);
    for (auto [i, v] : values)
        w.value(0, i, v);
    return w.finish();
}

const std::vector<std::string> kEqOff = {"--param", "EQ all=0"};

std::vector<std::string> cat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- identity and latency compensation

// "Default" and master off both pass the input bit for bit once the latency
// is compensated; without compensation the latency stays in front.
TEST_F(RenderTest, DefaultAndMasterOffAreBitExactWithCompensationAndKeepLatencyWhenAsked) {
    Audio in = noise(1.0, 2, 0.5);
    writeAudio("in.wav", in);
    CliRun r = run({"in.wav", "out.wav", "--preset", "Default"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio out = readAudio("out.wav");
    EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(out.frames(), in.frames()) << "a silent tail is dropped";
    EXPECT_TRUE(sameSamples(in, out, in.frames())) << "max difference " << maxDiff(in, out);

    ASSERT_EQ(run(cat({"in.wav", "on.wav", "-q"}, kEqOff)).exitCode, 0);
    Audio on = readAudio("on.wav");
    EXPECT_EQ(on.frames(), in.frames());
    EXPECT_TRUE(sameSamples(in, on, in.frames()));

    r = run(cat({"--no-compensate", "in.wav", "raw.wav", "--tail", "100"}, kEqOff));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio raw = readAudio("raw.wav");
    // 46 samples of latency at 44100 Hz stay in front; the tail holds the
    // rest, and all of the 100 frames asked for are written.
    ASSERT_EQ(raw.frames(), in.frames() + 100);
    for (int i = 0; i < 46 * 2; ++i)
        ASSERT_EQ(raw.samples[static_cast<std::size_t>(i)], 0.0);
    for (long long i = 0; i < in.frames() * 2; ++i)
        ASSERT_EQ(raw.samples[static_cast<std::size_t>(i + 92)],
                  in.samples[static_cast<std::size_t>(i)]);
}

TEST_F(RenderTest, DoublePrecisionRunTakesTheOtherPathAndAgrees) {
    Audio in = noise(0.5, 2, 0.3);
    writeAudio("in.wav", in);
    ASSERT_EQ(run({"in.wav", "f32.wav", "--preset", "Radio", "-q"}).exitCode, 0);
    CliRun r = run({"in.wav", "f64.wav", "--preset", "Radio", "--double", "--bits", "double"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio a = readAudio("f32.wav"), b = readAudio("f64.wav");
    EXPECT_EQ(b.format, SF_FORMAT_WAV | SF_FORMAT_DOUBLE);
    ASSERT_EQ(a.frames(), b.frames());
    double d = maxDiff(a, b);
    EXPECT_GT(d, 0.0) << "64-bit output should carry more than float precision";
    EXPECT_LT(d, 1e-5);
    EXPECT_GT(maxDiff(in, a), 0.01) << "Radio must change the sound";
}

// A stream whose header does not know its length (0xFFFFFFFF, as a writer
// into a pipe leaves it) ends where its data ends: the output was padded to
// the header's half a billion frames.
TEST_F(RenderTest, StreamOfUnknownLengthEndsWithItsData) {
    Audio in = noise(0.1, 2, 0.5);
    writeAudio("in.wav", in);
    auto bytes = readBytes("in.wav");
    auto setSize = [&](std::size_t at) {
        for (int k = 0; k < 4; ++k)
            bytes[at + k] = 0xff;
    };
    setSize(4); // RIFF size
    std::string text(bytes.begin(), bytes.end());
    std::size_t data = text.find("data");
    ASSERT_NE(data, std::string::npos);
    setSize(data + 4);
    ASSERT_EQ(mkfifo(path("stream.wav").c_str(), 0644), 0);
    std::thread feeder([&] {
        std::ofstream fifo(path("stream.wav"), std::ios::binary);
        fifo.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    });
    CliRun r = run(cat({"stream.wav", "out.wav"}, kEqOff));
    // Should the tool not have read the stream, the feeder is not left waiting.
    int unblock = open(path("stream.wav").c_str(), O_RDONLY | O_NONBLOCK);
    feeder.join();
    if (unblock >= 0) close(unblock);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio out = readAudio("out.wav");
    EXPECT_EQ(out.frames(), in.frames());
    EXPECT_TRUE(sameSamples(in, out, in.frames()));
}

// ---- file formats

TEST_F(RenderTest, AiffAndFlacKeepTheirFormatAndPcmSamplesExactly) {
    Audio aiff = noise(0.5, 2, 0.7, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    Audio flac = noise(0.5, 1, 0.7, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 48000);
    writeAudio("in.aiff", aiff);
    writeAudio("in.flac", flac);
    CliRun r = run(cat({"in.aiff", "out.aiff"}, kEqOff));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio outAiff = readAudio("out.aiff");
    EXPECT_EQ(outAiff.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    EXPECT_TRUE(sameSamples(readAudio("in.aiff"), outAiff, aiff.frames()));

    r = run(cat({"in.flac", "out.flac"}, kEqOff));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio outFlac = readAudio("out.flac");
    EXPECT_EQ(outFlac.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    EXPECT_EQ(outFlac.channels, 1);
    EXPECT_EQ(outFlac.rate, 48000);
    EXPECT_TRUE(sameSamples(readAudio("in.flac"), outFlac, flac.frames()));

    // A preset through FLAC, written as WAV because the name says so.
    r = run({"in.flac", "radio.wav", "--preset", "Radio"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio radio = readAudio("radio.wav");
    EXPECT_EQ(radio.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_GT(maxDiff(flac, radio), 0.01);
}

// ---- the response plot against what the plug-in does to sines

TEST_F(RenderTest, PlottedResponseOfAPresetMatchesRenderedSines) {
    // Radio: low cut, high cut, saturation on; the plot must hold from the
    // deep low-cut region at 10 Hz to the high-cut slope.
    CliRun r = run({"--preset", "Radio", "--plot", "radio.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto png = readBytes("radio.png");
    ASSERT_GT(png.size(), 1000u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    auto table = readCsv(path("radio.csv"));
    ASSERT_GT(table.size(), 500u);

    // Sines at seven plotted frequencies, one after the other, 0.5 s each.
    std::vector<double> freqs;
    for (int k : {0, 40, 150, 300, 420, 500, 570}) {
        auto it = table.begin();
        std::advance(it, k);
        freqs.push_back(it->first);
    }
    const long long seg = 22050;
    Audio in;
    in.channels = 2;
    in.samples.resize(static_cast<std::size_t>(seg * freqs.size() * 2));
    for (std::size_t k = 0; k < freqs.size(); ++k)
        for (long long i = 0; i < seg; ++i) {
            double v = 0.1 * std::sin(2 * 3.14159265358979323846 * freqs[k] * i / 44100.0);
            in.samples[static_cast<std::size_t>((k * seg + i) * 2)] = v;
            in.samples[static_cast<std::size_t>((k * seg + i) * 2 + 1)] = v;
        }
    writeAudio("sines.wav", in);
    ASSERT_EQ(run({"sines.wav", "out.wav", "--preset", "Radio"}).exitCode, 0);
    Audio out = readAudio("out.wav");
    for (std::size_t k = 0; k < freqs.size(); ++k) {
        // After 0.15 s of settling, a whole number of periods of the tone.
        long long from = static_cast<long long>(k) * seg + 6615;
        long long periods = static_cast<long long>((seg - 6615 - 64) * freqs[k] / 44100.0);
        long long to = from + static_cast<long long>(std::llround(periods * 44100.0 / freqs[k]));
        double a = amplitudeAt(out, 0, freqs[k], from, to) / amplitudeAt(in, 0, freqs[k], from, to);
        EXPECT_NEAR(20 * std::log10(a), table[freqs[k]], 0.05) << freqs[k] << " Hz";
    }
}

// ---- presets, parameters, preset and bank files, chunks

TEST_F(RenderTest, PresetByNameIndexChunkBankAndSwappedBankAllGiveTheSameSound) {
    Audio in = noise(0.3, 2, 0.3);
    writeAudio("in.wav", in);
    ASSERT_EQ(
        run({"in.wav", "byname.wav", "--preset", "de-esser 1", "--chunk", "state.chunk"}).exitCode,
        0);
    ASSERT_EQ(run({"in.wav", "byindex.wav", "--preset", "20"}).exitCode, 0);
    Audio byName = readAudio("byname.wav");
    EXPECT_TRUE(sameSamples(byName, readAudio("byindex.wav"), byName.frames()));
    EXPECT_GT(maxDiff(in, byName), 0.01);

    // The saved chunk holds the selection: restoring it alone gives the same.
    auto chunk = readBytes("state.chunk");
    ASSERT_GT(chunk.size(), 49u);
    int32_t selected;
    std::memcpy(&selected, &chunk[8 + 17], 4);
    EXPECT_EQ(selected, 20);
    ASSERT_EQ(run({"in.wav", "bychunk.wav", "--chunk", "state.chunk"}).exitCode, 0);
    EXPECT_TRUE(sameSamples(byName, readAudio("bychunk.wav"), byName.frames()));

    // The chunk after its 8-byte prefix is a bank file, in either byte order.
    writeBytes("bank.kab", std::vector<unsigned char>(chunk.begin() + 8, chunk.end()));
    writeBytes("swapped.kab", presettest::otherByteOrder({chunk.begin() + 8, chunk.end()}));
    ASSERT_EQ(run({"in.wav", "bybank.wav", "--load-bank", "bank.kab"}).exitCode, 0);
    CliRun r = run({"in.wav", "byswapped.wav", "--load-bank", "swapped.kab"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(sameSamples(byName, readAudio("bybank.wav"), byName.frames()));
    EXPECT_TRUE(sameSamples(byName, readAudio("byswapped.wav"), byName.frames()));
}

// A chunk file that is there is only read: a plug-in's state never replaces
// it, whatever it holds, and one the plug-in does not take is refused.
TEST_F(RenderTest, ChunkFileIsRestoredWhenThereAndSavedOnlyUnderANewName) {
    writeAudio("in.wav", noise(0.1, 2, 0.3));
    ASSERT_EQ(run({"in.wav", "a.wav", "--plugin", kPeerPlugin, "--chunk", "new.chunk"}).exitCode,
              0);
    EXPECT_EQ(readBytes("new.chunk"), (std::vector<unsigned char>{1, 2, 3, 4, 5}));
    writeBytes("kept.chunk", {7, 7});
    ASSERT_EQ(run({"in.wav", "b.wav", "--plugin", kPeerPlugin, "--chunk", "kept.chunk"}).exitCode,
              0);
    EXPECT_EQ(readBytes("kept.chunk"), (std::vector<unsigned char>{7, 7}));

    writeBytes("notes.txt", {'n', 'o', 't', 'e', 's', '\n'});
    const std::string lsp = findThirdPartyEq();
    struct Case {
        std::string plugin, chunk;
        int code;
        std::string message;
    };
    std::vector<Case> cases = {
        {kPeerPlugin, "in.wav", 3, "chunk file in.wav: is an audio file"},
    };
    if (!lsp.empty()) cases.push_back({lsp, "notes.txt", 4, "did not take the chunk in notes.txt"});
    for (const auto& c : cases) {
        const auto bytes = readBytes(c.chunk);
        CliRun r = run({"in.wav", "out.wav", "--plugin", c.plugin, "--chunk", c.chunk});
        EXPECT_EQ(r.exitCode, c.code) << c.chunk << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(readBytes(c.chunk), bytes) << c.chunk << " was written";
        EXPECT_EQ(access(path("out.wav").c_str(), F_OK), -1) << "rendered with " << c.chunk;
    }
    if (lsp.empty()) GTEST_SKIP() << "lsp-plugins-vst is not installed";
    // Another maker's state goes round: saved with a bell, restored alone.
    ASSERT_EQ(run({"in.wav", "bell.wav", "--plugin", lsp, "--set", "ft_0=Bell", "--set", "g_0=6",
                   "--chunk", "bell.chunk"})
                  .exitCode,
              0);
    ASSERT_EQ(run({"in.wav", "again.wav", "--plugin", lsp, "--chunk", "bell.chunk"}).exitCode, 0);
    const Audio bell = readAudio("bell.wav");
    EXPECT_GT(maxDiff(readAudio("in.wav"), bell), 0.01) << "the bell changed nothing";
    EXPECT_TRUE(sameSamples(bell, readAudio("again.wav"), bell.frames()));
}

TEST_F(RenderTest, PresetFileAndParametersByNameAndIndexAgree) {
    Audio in = noise(0.3, 2, 0.3);
    writeAudio("in.wav", in);
    // MID2 boost at 8040 Hz by 10 dB; low shelf +5 dB.
    std::vector<std::pair<int, float>> values = {
        {20, 1.0f}, {21, 19 / 22.0f}, {23, 0.5f}, {15, 0.75f}};
    writeBytes("bright.vey", presetFile("Bright", values));
    CliRun r = run({"in.wav", "file.wav", "--load-preset", "bright.vey", "--plot", "bright.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(run({"in.wav", "params.wav", "--param", "MID2=1", "--param", "21=0.8636364",
                   "--param", "23=0.5", "--param", "lgain=0.75"})
                  .exitCode,
              0);
    Audio a = readAudio("file.wav");
    EXPECT_TRUE(sameSamples(a, readAudio("params.wav"), a.frames()));
    EXPECT_GT(maxDiff(in, a), 0.01);
    auto table = readCsv(path("bright.csv"));
    auto near8k = table.lower_bound(8000.0);
    EXPECT_NEAR(near8k->second, 10.0, 1.0); // the boost shows in the plot
    std::ifstream csv(path("bright.csv"));
    std::string title;
    std::getline(csv, title);
    EXPECT_NE(title.find("Bright"), std::string::npos) << title;
}

// ---- errors: message, exit code, nothing written

// Every file the tool writes is checked against the input and against the
// others before anything is written (a plot, its table or the saved chunk
// named like the input replaced the input, and two outputs of one name
// replaced each other); a failure found once the audio is rendered (the peer
// gives no chunk to save) leaves no rendered file behind either.
TEST_F(RenderTest, ErrorsExplainThemselvesExitNonZeroAndWriteNothing) {
    writeAudio("in.wav", noise(0.1, 2, 0.3));
    writeAudio("three.wav", [] {
        Audio a = noise(0.1, 1, 0.3);
        a.channels = 3;
        a.samples.resize(a.samples.size() / 3 * 3);
        return a;
    }());
    writeBytes("text.wav", {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o', '\n'});
    writeAudio("low.wav", noise(0.1, 2, 0.3, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 16000));
    std::vector<unsigned char> foreign = presetFile("Foreign", {});
    foreign[0] = 'X';
    writeBytes("foreign.vey", foreign);
    writeBytes("empty.chunk", {});
    const auto input = readBytes("in.wav");
    const auto before = files();

    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"missing.wav", "out.wav"}, 3, "missing.wav: no such file"},
        {{"text.wav", "out.wav"}, 3, "unknown or unsupported audio format"},
        {{"three.wav", "out.wav"}, 3, "has 3 channels"},
        {{"low.wav", "out.wav"}, 3, "16000 Hz is outside what the plug-in accepts"},
        {{"in.wav", "out.wav", "--preset", "Nope"}, 2, "unknown preset \"Nope\""},
        {{"in.wav", "out.wav", "--param", "Nope=0.5"}, 2, "unknown parameter \"Nope\""},
        {{"in.wav", "out.wav", "--param", "Mfreq=0.5"},
         2,
         "ambiguous parameter name \"Mfreq\" (indices 17, 21)"},
        {{"in.wav", "out.wav", "--param", "99=0.5"}, 2, "unknown parameter 99"},
        {{"in.wav", "out.wav", "--param", "HPF=2"}, 2, "must be a number in 0..1"},
        {{"in.wav", "out.wav", "--plugin", "/nonexistent/x.so"},
         4,
         "/nonexistent/x.so: no such file"},
        {{"in.wav", "out.wav", "--plugin", kPeerPlugin, "--id", "ZkVw"}, 4, "wrong unique ID Fake"},
        {{"in.wav", "out.wav", "--load-preset", "foreign.vey"}, 3, "wrong unique ID"},
        {{"in.wav", "in.wav"}, 5, "is the input file"},
        {{"in.wav", "out.wav", "--plot", "nodir/p.png"}, 5, "the directory nodir does not exist"},
        {{"in.wav", "out.wav", "--bogus"}, 2, "unknown option --bogus"},
        {{"in.wav"}, 2, "missing the output file"},
        // Shorter than a sample: the factor came out as "inf" with exit 0.
        {{"--bench", "0.00001"}, 2, "--bench needs a duration"},
        {{"--bench=1e-9"}, 2, "--bench needs a duration"},
        {{"in.wav", "out.wav", "--plot", "in.wav"}, 5, "in.wav: is the input file"},
        {{"in.wav", "out.wav", "--plot", "p.png", "--plot-data", "./in.wav"},
         5,
         "./in.wav: is the input file"},
        {{"in.wav", "out.wav", "--plot", "out.wav"}, 2, "out.wav: named for two outputs"},
        {{"--plot", "p.csv"}, 2, "p.csv: named for two outputs"},
        {{"in.wav", "out.wav", "--chunk", "./out.wav"}, 2, "./out.wav: named for two outputs"},
        {{"in.wav", "out.wav", "--plugin", kPeerPlugin, "--chunk", "empty.chunk"},
         3,
         "chunk file empty.chunk: empty"},
        {{"--chunk", "empty.chunk"}, 2, "the file is there, so it is only read"},
        {{"in.wav", "x.xyz"}, 2, "x.xyz: unknown output extension .xyz; give --format"},
        {{"in.wav", "x.wav", "--format", "xyz"}, 2, "--format xyz: unknown format"},
        {{"in.wav", "x.opus"}, 2, "Opus takes 8000, 12000, 16000, 24000 or 48000 Hz"},
        {{"--bench", "abc"},
         2,
         "--bench needs a duration in seconds from 0.01 to 3600, not \"abc\""},
        {{"in.wav", "out.wav", "--chunk", "text.wav"}, 3, "text.wav: not a chunk of this plug-in"},
        {{"in.wav", "out.wav", "--preset", "22"},
         2,
         "preset 22 is out of range: the presets are 0..21"},
        {{"in.wav", "out.wav", "--param", "2=0.5"}, 2, "parameter 2 is unused"},
        {{"in.wav", "out.wav", "--set", "37=0dB"}, 2, "parameter 37 is unused"},
        {{"in.wav", "out.wav", "--set", "MQ=2.0"}, 2, "give MID1.Q or MID2.Q, or the index"},
        {{"in.wav", "out.wav", "--set", "OUTPUT=-4.5dB"},
         2,
         "the nearest values are -5dB and -4dB"},
        {{"in.wav", "out.wav", "--set", "LSR=Mono"}, 2, "it shows Right, Stereo, Left"},
        {{"in.wav", "out.wav", "--set", "MID1.width=2"}, 2, "unknown parameter \"MID1.width\""},
        {{"in.wav", "-", "--list"}, 2, "OUT is the standard output, where --list"},
        {{"in.wav", "a.wav", "b.wav"}, 2, "several inputs need -o DIR"},
        {{"in.wav", "a.wav", "-o", "nodir"}, 5, "-o nodir: no such directory"},
    };
    for (const auto& c : cases) {
        // Each case from the same start, whatever the one before left.
        for (const auto& name : files())
            if (std::find(before.begin(), before.end(), name) == before.end())
                unlink(path(name).c_str());
        writeBytes("in.wav", input);
        CliRun r = run(c.args);
        std::string line;
        for (const auto& a : c.args)
            line += a + " ";
        EXPECT_EQ(r.exitCode, c.code) << line << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << line << ": " << r.err;
        EXPECT_EQ(r.err.rfind("dravo-render: ", 0), 0u) << r.err;
        EXPECT_EQ(files(), before) << line << " left files behind";
        EXPECT_EQ(readBytes("in.wav"), input) << line << " changed the input";
    }
}

// Every pin count of a plug-in with mono and stereo files: a mono file feeds
// every input, the output has the plug-in's outputs (at most two), a stereo
// file through a mono plug-in runs through two instances. The peer doubles,
// sums two inputs into one output, and gives -2 x a single input on a second
// output; its reported latency is no delay, so none is compensated.
TEST_F(RenderTest, EveryPinCountGetsTheChannelsItHas) {
    writeAudio("mono.wav", noise(0.2, 1, 0.3));
    writeAudio("stereo.wav", noise(0.2, 2, 0.3));
    struct Case {
        std::string pins, in;
        int code, channels;
        std::vector<std::pair<double, double>> gains; // per output: x left + y right
    } cases[] = {
        {"1x1", "mono.wav", 0, 1, {{2, 0}}},
        {"1x2", "mono.wav", 0, 2, {{2, 0}, {-2, 0}}},
        {"2x1", "mono.wav", 0, 1, {{1, 1}}},
        {"2x2", "mono.wav", 0, 2, {{2, 0}, {0, 2}}},
        {"1x1", "stereo.wav", 0, 2, {{2, 0}, {0, 2}}},
        {"1x2", "stereo.wav", 4, 0, {}},
        {"2x1", "stereo.wav", 0, 1, {{1, 1}}},
        {"2x2", "stereo.wav", 0, 2, {{2, 0}, {0, 2}}},
    };
    for (const auto& c : cases) {
        const std::string what = c.pins + " with " + c.in;
        unlink(path("out.wav").c_str());
        CliRun r = runShell("FAKE_PEER_PINS=" + c.pins + " exec \"$DRAVO\" " + c.in +
                            " out.wav --no-compensate --plugin '" + kPeerPlugin + "'");
        ASSERT_EQ(r.exitCode, c.code) << what << ": " << r.err;
        if (c.code != 0) {
            EXPECT_NE(r.err.find("a stereo file does not fit it"), std::string::npos) << r.err;
            continue;
        }
        const Audio in = readAudio(c.in), out = readAudio("out.wav");
        ASSERT_EQ(out.channels, c.channels) << what;
        double worst = 0;
        for (long long i = 0; i < in.frames(); ++i) {
            const double l = in.samples[i * in.channels], r = in.samples[(i + 1) * in.channels - 1];
            for (int ch = 0; ch < out.channels; ++ch)
                worst =
                    std::max(worst, std::fabs(out.samples[i * out.channels + ch] -
                                              (c.gains[ch].first * l + c.gains[ch].second * r)));
        }
        EXPECT_LT(worst, 1e-6) << what;
    }
    // Modes without a file take the plug-in as it is.
    for (const std::string mode : {"--list", "--plot p.png", "--bench 0.05 --runs 1"}) {
        CliRun r = runShell("FAKE_PEER_PINS=1x1 exec \"$DRAVO\" " + mode + " --plugin '" +
                            kPeerPlugin + "'");
        EXPECT_EQ(r.exitCode, 0) << mode << ": " << r.err;
    }
}

TEST_F(RenderTest, MonoFileAndAThirdPartyPluginRenderToo) {
    Audio mono = noise(0.3, 1, 0.5);
    writeAudio("mono.wav", mono);
    CliRun r = run(cat({"mono.wav", "mono-out.wav"}, kEqOff));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio out = readAudio("mono-out.wav");
    EXPECT_EQ(out.channels, 1);
    EXPECT_TRUE(sameSamples(mono, out, mono.frames()));

    std::string lsp = findThirdPartyEq();
    if (lsp.empty()) GTEST_SKIP() << "lsp-plugins-vst is not installed";
    Audio in = noise(0.3, 2, 0.5);
    writeAudio("in.wav", in);
    r = run({"in.wav", "lsp.wav", "--plugin", lsp});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio lspOut = readAudio("lsp.wav");
    ASSERT_EQ(lspOut.frames(), in.frames());
    EXPECT_LT(maxDiff(in, lspOut), 1e-4) << "all bands off: the equaliser passes the noise";
    r = run({"in.wav", "x.wav", "--plugin", lsp, "--double"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("cannot process 64-bit samples"), std::string::npos) << r.err;
}

TEST_F(RenderTest, BenchRunsOnOursAndOnADebianEqualiser) {
    CliRun r = run({"--bench", "0.3", "--runs", "3", "--block", "256"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Vey Dravo"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("real-time factor"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("block 256, 32-bit, 3 runs"), std::string::npos) << r.out;
    std::string lsp = findThirdPartyEq();
    if (lsp.empty()) GTEST_SKIP() << "lsp-plugins-vst is not installed";
    r = run({"--bench", "0.3", "--runs", "2", "--plugin", lsp});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Parametric Equalizer"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("median"), std::string::npos) << r.out;
}

// The help lists every option, and the manual page built from it gives each
// option line of the help its own entry.
TEST_F(RenderTest, HelpListsTheOptionsAndTheManualPageEachOfThem) {
    CliRun r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* opt :
         {"--plugin", "--preset", "--param", "--load-preset", "--load-bank", "--block", "--double",
          "--chunk", "--no-compensate", "--plot", "--bench", "--set", "--no-dither", "--no-clip",
          "--allow-nonfinite", "--version", "-o DIR", "Ogg/Vorbis", "Opus"})
        EXPECT_NE(r.out.find(opt), std::string::npos) << opt;
    std::ifstream page(std::string(DRAVO_BINARY_DIR) + "/host/dravo-render.1");
    ASSERT_TRUE(page) << "the manual page is not built";
    std::stringstream roff;
    roff << page.rdbuf();
    EXPECT_EQ(roff.str().rfind(".TH DRAVO-RENDER 1 ", 0), 0u);
    std::istringstream help(r.out);
    std::string line;
    int options = 0;
    while (std::getline(help, line)) {
        if (line.rfind("  -", 0) != 0) continue;
        std::string opt = line.substr(2, line.find("   ", 2) - 2), escaped;
        for (char c : opt)
            escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(roff.str().find(".TP\n\\fB" + escaped + "\\fR\n"), std::string::npos) << opt;
        ++options;
    }
    EXPECT_GT(options, 25);
}

} // namespace
