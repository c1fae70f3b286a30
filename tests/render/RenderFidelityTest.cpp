// dravo-render gives the audio the settings ask for: levels from the first
// sample, --set at the value typed, late-announced latency, tails that end
// in silence, dither only where it is due, every container through a pipe;
// and it loses nothing: the input behind "-", protected outputs, metadata,
// the good files of a batch.
#include "RenderHarness.h"
#include "host/render/AudioReader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Audio impulses(int rate, double seconds, std::vector<long long> at, double level) {
    Audio a;
    a.rate = rate;
    a.channels = 2;
    a.samples.assign(static_cast<std::size_t>(seconds * rate) * 2, 0.0);
    for (long long f : at)
        a.samples[static_cast<std::size_t>(2 * f)] =
            a.samples[static_cast<std::size_t>(2 * f + 1)] = level;
    return a;
}

double db(double ratio) {
    return 20 * std::log10(ratio);
}

// Whether the output sounds: the largest magnitude in frames [from, to).
double peakIn(const Audio& a, long long from, long long to) {
    double p = 0;
    for (long long i = from * a.channels; i < to * a.channels; ++i)
        p = std::max(p, std::fabs(a.samples[static_cast<std::size_t>(i)]));
    return p;
}

} // namespace

// An impulse at frame 0 comes out at the level set, as one half a second in
// does; --set lands on the number typed (the plug-in's dB are 6 log2 of its
// factor, within 0.06 of 20 log10 up to 17 dB).
TEST_F(RenderTest, LevelHoldsFromTheFirstSampleAtTheValueTyped) {
    writeAudio("in.wav", impulses(44100, 1.0, {0, 22050}, 0.5));
    const struct {
        std::vector<std::string> args;
        double wantDb; // NaN: whatever the preset has
    } cases[] = {
        {{"--set", "OUTPUT=-3dB"}, -3},  {{"--set", "OUTPUT=-4"}, -4},
        {{"--set", "OUTPUT=+5dB"}, 5},   {{"--set", "OUTPUT=-17dB"}, -17},
        {{"--param", "OUTPUT=0.4"}, -4}, {{"--preset", "Mix"}, std::nan("")},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"in.wav", "out.wav", "-q"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliRun r = run(args);
        ASSERT_EQ(r.exitCode, 0) << c.args[1] << ": " << r.err;
        Audio out = readAudio("out.wav");
        const double first = peakIn(out, 0, 100), later = peakIn(out, 22050, 22150);
        EXPECT_NEAR(db(first / later), 0.0, 0.01) << c.args[1];
        if (!std::isnan(c.wantDb)) {
            EXPECT_NEAR(db(first / 0.5), c.wantDb, 0.07) << c.args[1];
        }
    }
}

// A plug-in that says its latency only after its first blocks (the peer with
// FAKE_PEER_LATE_LATENCY) is still lined up; --no-compensate names the
// latency it keeps.
TEST_F(RenderTest, LatencyAnnouncedLateIsCompensatedAndKeptLatencyIsNamed) {
    Audio in = noise(0.5, 2, 0.3);
    writeAudio("in.wav", in);
    CliRun r = runShell("FAKE_PEER_LATE_LATENCY=300 exec \"$DRAVO\" in.wav out.wav --block 64 "
                        "--plugin '" +
                        kPeerPlugin + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("latency 300 compensated"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
    Audio out = readAudio("out.wav");
    ASSERT_EQ(out.frames(), in.frames());
    for (auto& v : in.samples)
        v *= 2;
    EXPECT_TRUE(sameSamples(in, out, in.frames()));
    r = run({"in.wav", "kept.wav", "--no-compensate"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("latency 46 kept"), std::string::npos) << r.err;

    // A latency that changes (rather than comes late) is named, whether the
    // output is held back yet (one shift for all) or already flowing.
    const struct {
        std::string env, says;
    } changes[] = {
        {"FAKE_PEER_EARLY_LATENCY=5",
         "latency changed from 5 to 300 samples at 0.001 s; the whole output is lined up for 300, "
         "so the part before is off by 295 samples"},
        {"FAKE_PEER_LATE_AFTER=400",
         "latency changed from 0 to 300 samples at 0.579 s; the output after it is not aligned"},
    };
    for (const auto& c : changes) {
        r = runShell("FAKE_PEER_LATE_LATENCY=300 " + c.env +
                     " exec \"$DRAVO\" in.wav changed.wav --block 64 --plugin '" + kPeerPlugin +
                     "'");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.env << ": " << r.err;
    }
}

// A resonant low bell at 192 kHz rings for far longer than a fixed tail: the
// render goes on until the output has died away.
TEST_F(RenderTest, TailRunsUntilTheRingingHasDiedAway) {
    const int rate = 192000;
    writeAudio("in.wav", impulses(rate, 0.05, {0}, 0.5));
    CliRun r = run({"in.wav", "out.wav", "--param", "MID1.freq=0", "--param", "MID1.Q=1", "--param",
                    "MID1.gain=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
    Audio out = readAudio("out.wav");
    const long long n = out.frames();
    ASSERT_GT(n, rate / 10);
    EXPECT_GT(peakIn(out, n - 200, n), 0.0) << "ends with its last sounding frame";
    EXPECT_LT(db(peakIn(out, n - 2000, n)), -120.0) << "ends where the ringing has gone";
    // An output that never falls silent is cut after 60 s, with a warning.
    writeAudio("in8k.wav", impulses(8000, 0.1, {0}, 0.5));
    r = runShell("FAKE_PEER_HUM=1 exec \"$DRAVO\" in8k.wav hum.wav --plugin '" + kPeerPlugin + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("hum.wav: the tail was cut at 60.000 s"), std::string::npos) << r.err;
    EXPECT_EQ(readAudio("hum.wav").frames(), 800 + 60 * 8000);
}

// Dither is for 16 bits and fewer, and only for samples off the output's
// grid: 24 and 32 bits are the same with or without --no-dither, a 16-bit
// file passes through unchanged, and silence after a tone stays silent.
TEST_F(RenderTest, DitherOnlyWhereTheOutputCannotHoldTheSignal) {
    writeAudio("in.wav", noise(0.2, 2, 0.3));
    const struct {
        std::string bits;
        bool dithered;
    } depths[] = {{"8", true}, {"16", true}, {"24", false}, {"32", false}};
    for (const auto& d : depths) {
        ASSERT_EQ(run({"in.wav", "d.wav", "--bits", d.bits, "-q"}).exitCode, 0);
        ASSERT_EQ(run({"in.wav", "p.wav", "--bits", d.bits, "--no-dither", "-q"}).exitCode, 0);
        EXPECT_EQ(readBytes("d.wav") != readBytes("p.wav"), d.dithered) << d.bits << " bits";
    }
    writeAudio("in16.wav", noise(0.2, 2, 0.3, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    Audio tone = sine(0.4, 2, 0.5, 997.0, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::fill(tone.samples.begin() + tone.samples.size() / 2, tone.samples.end(), 0.0);
    writeAudio("tone16.wav", tone);
    for (std::string input : {"in16.wav", "tone16.wav"})
        for (std::string precision : {"", "--double"}) {
            std::vector<std::string> args = {input, "out.wav", "-q"};
            if (!precision.empty()) args.push_back(precision);
            ASSERT_EQ(run(args).exitCode, 0);
            EXPECT_EQ(readBytes("out.wav"), readBytes(input)) << input << " " << precision;
        }
    ASSERT_EQ(run({"tone16.wav", "quieter.wav", "--set", "OUTPUT=-4dB", "-q"}).exitCode, 0);
    Audio quieter = readAudio("quieter.wav");
    EXPECT_EQ(peakIn(quieter, quieter.frames() / 2 + 100, quieter.frames()), 0.0)
        << "digital silence after a tone stays digital silence";
}

// Containers that libsndfile cannot read without seeking arrive whole
// through a pipe.
TEST_F(RenderTest, EveryContainerReadsWholeFromAPipe) {
    Audio in = noise(0.2, 2, 0.3, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    const struct {
        const char* name;
        int format;
    } formats[] = {
        {"in.rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_24},
        {"in.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_24},
        {"in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
        {"in.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_24},
        {"in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {"in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
    };
    for (const auto& f : formats) {
        in.format = f.format;
        writeAudio(f.name, in);
        CliRun r =
            runShell(std::string("cat ") + f.name + " | \"$DRAVO\" - out.wav --param 'EQ all=0'");
        ASSERT_EQ(r.exitCode, 0) << f.name << ": " << r.err;
        EXPECT_EQ(r.err.find("warning"), std::string::npos) << f.name << ": " << r.err;
        Audio out = readAudio("out.wav"), original = readAudio(f.name);
        EXPECT_EQ(out.frames(), in.frames()) << f.name;
        EXPECT_TRUE(sameSamples(original, out, in.frames())) << f.name;
    }
}

// The file behind "-" and a file the user may not write are never replaced.
TEST_F(RenderTest, InputBehindStandardInputAndProtectedOutputsAreKept) {
    Audio in = noise(0.1, 2, 0.3);
    writeAudio("in.wav", in);
    writeAudio("locked.wav", in);
    chmod(path("locked.wav").c_str(), 0444);
    chmod(dir_.c_str(), 0777);
    // As root every file is writable: the tool runs as nobody then.
    const std::string user =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const struct {
        std::string script, kept, message;
    } cases[] = {
        {"\"$DRAVO\" - in.wav --preset Radio < in.wav", "in.wav",
         "in.wav: is the standard input; it is never overwritten"},
        {user + "\"$DRAVO\" in.wav locked.wav --preset Radio", "locked.wav",
         "locked.wav: Permission denied"},
    };
    for (const auto& c : cases) {
        CliRun r = runShell(c.script);
        EXPECT_EQ(r.exitCode, 5) << c.script << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(sameSamples(in, readAudio(c.kept), in.frames())) << c.script;
    }
}

// Every part of what a file says besides its audio is carried where the
// output format holds it, and each part it does not is named: every text tag
// libsndfile knows, cue markers and their names, the broadcast extension, a
// sampler's key and loops, an iXML chunk. libsndfile takes some it then
// leaves out (an AIFF file's date and genre, a WAV file's cue names).
TEST_F(RenderTest, MetadataIsCarriedOverOrNamedAsDropped) {
    const std::vector<std::pair<int, std::string>> tags = {
        {SF_STR_TITLE, "Take 3"},  {SF_STR_COPYRIGHT, "(c) Vey"}, {SF_STR_ARTIST, "Vey"},
        {SF_STR_COMMENT, "warm"},  {SF_STR_DATE, "2026-12-08"},   {SF_STR_ALBUM, "Sessions"},
        {SF_STR_LICENSE, "CC BY"}, {SF_STR_TRACKNUMBER, "7"},     {SF_STR_GENRE, "Folk"}};
    const std::string ixml = "<BWFXML><NOTE>take 3</NOTE></BWFXML>";
    auto write = [&](const std::string& name, int format) {
        SF_INFO info{};
        info.channels = 2;
        info.samplerate = 44100;
        info.format = format;
        SNDFILE* f = sf_open(path(name).c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr);
        for (const auto& [id, text] : tags)
            sf_set_string(f, id, text.c_str());
        SF_CUES cues{};
        cues.cue_count = 2;
        for (uint32_t i = 0; i < 2; ++i) {
            cues.cue_points[i].indx = static_cast<int32_t>(i + 1);
            cues.cue_points[i].sample_offset = 100 * i;
            std::memcpy(&cues.cue_points[i].fcc_chunk, "data", 4);
        }
        sf_command(f, SFC_SET_CUE, &cues, sizeof cues);
        SF_BROADCAST_INFO bext{};
        std::strcpy(bext.description, "field recording");
        sf_command(f, SFC_SET_BROADCAST_INFO, &bext, sizeof bext);
        SF_INSTRUMENT inst{};
        inst.basenote = 60;
        inst.loop_count = 1;
        inst.loops[0] = {SF_LOOP_FORWARD, 10, 400, 0};
        sf_command(f, SFC_SET_INSTRUMENT, &inst, sizeof inst);
        SF_CHUNK_INFO chunk{};
        std::memcpy(chunk.id, "iXML", 4);
        chunk.id_size = 4;
        chunk.data = const_cast<char*>(ixml.data());
        chunk.datalen = static_cast<unsigned>(ixml.size());
        sf_set_chunk(f, &chunk);
        std::vector<short> silence(2 * 4410, 0);
        sf_writef_short(f, silence.data(), 4410);
        sf_close(f);
    };
    write("in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    write("in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    // The cue markers' names, in a LIST adtl chunk that libsndfile reads but
    // does not write.
    auto wav = readBytes("in.wav");
    auto put32 = [](std::vector<unsigned char>& b, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    std::vector<unsigned char> adtl = {'a', 'd', 't', 'l'};
    uint32_t id = 0;
    for (std::string name : {"verse", "chorus"}) {
        name.push_back('\0');
        if (name.size() % 2) name.push_back('\0');
        adtl.insert(adtl.end(), {'l', 'a', 'b', 'l'});
        put32(adtl, static_cast<uint32_t>(4 + name.size()));
        put32(adtl, ++id);
        adtl.insert(adtl.end(), name.begin(), name.end());
    }
    wav.insert(wav.end(), {'L', 'I', 'S', 'T'});
    put32(wav, static_cast<uint32_t>(adtl.size()));
    wav.insert(wav.end(), adtl.begin(), adtl.end());
    const uint32_t riff = static_cast<uint32_t>(wav.size() - 8);
    std::memcpy(&wav[4], &riff, 4);
    writeBytes("in.wav", wav);
    ASSERT_STREQ(AudioReader(path("in.wav")).metadata().cues.cue_points[1].name, "chorus");

    const struct {
        std::string in, out;
        std::vector<std::string> dropped;
    } cases[] = {
        {"in.wav", "out.wav", {"cue names"}},
        {"in.flac", "out.wav", {"license"}},
        {"in.wav",
         "out.flac",
         {"broadcast extension", "cue markers", "sampler key and loops", "iXML chunk"}},
        {"in.flac", "out.aiff", {"date", "album", "license", "track number", "genre"}},
        {"in.flac", "out.caf", {}},
    };
    for (const auto& c : cases) {
        const Metadata in = AudioReader(path(c.in)).metadata();
        CliRun r = run({c.in, c.out, "-q"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const Metadata out = AudioReader(path(c.out)).metadata();
        std::vector<std::string> missing;
        for (const auto& tag : in.strings)
            if (std::find(out.strings.begin(), out.strings.end(), tag) == out.strings.end())
                missing.push_back(stringName(tag.first));
        if (in.hasBroadcast && !out.hasBroadcast) missing.push_back("broadcast extension");
        if (in.hasCues && !out.hasCues) missing.push_back("cue markers");
        if (in.hasCues && out.hasCues && std::string(out.cues.cue_points[1].name) != "chorus" &&
            std::string(in.cues.cue_points[1].name) == "chorus")
            missing.push_back("cue names");
        if (in.hasInstrument && !out.hasInstrument) missing.push_back("sampler key and loops");
        if (!in.chunks.empty() && out.chunks != in.chunks) missing.push_back("iXML chunk");
        std::sort(missing.begin(), missing.end());
        std::vector<std::string> named = c.dropped;
        std::sort(named.begin(), named.end());
        EXPECT_EQ(missing, named) << c.out << ": what was dropped";
        for (const auto& part : c.dropped)
            EXPECT_NE(r.err.find(part), std::string::npos)
                << c.out << " drops " << part << ": " << r.err;
        if (c.dropped.empty()) {
            EXPECT_EQ(r.err, "") << c.out;
        }
    }

    // A WAV stream's tags after its audio are reached once the audio is read
    // (libsndfile does not look there in a pipe): carried, or named.
    SF_INFO info{};
    info.channels = 1;
    info.samplerate = 44100;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path("late.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_set_string(f, SF_STR_TITLE, "Take 3");
    std::vector<short> silence(4410, 0);
    sf_writef_short(f, silence.data(), 4410);
    sf_set_string(f, SF_STR_ARTIST, "Vey");
    sf_close(f);
    CliRun r = runShell("cat late.wav | \"$DRAVO\" - late-out.wav -q");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::pair<int, std::string>> both = {{SF_STR_TITLE, "Take 3"},
                                                           {SF_STR_ARTIST, "Vey"}};
    EXPECT_EQ(AudioReader(path("late-out.wav")).metadata().strings, both);
    r = runShell("cat late.wav | \"$DRAVO\" - late.flac -q");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("late.flac: the input's artist after its audio cannot go into the output"),
              std::string::npos)
        << r.err;
}

// A batch writes every file it can, names every one it cannot, and exits
// with the first failure's code.
TEST_F(RenderTest, BatchWritesTheGoodFilesAndNamesEveryBadOne) {
    writeAudio("a.wav", noise(0.1, 2, 0.3));
    writeAudio("c.wav", noise(0.1, 1, 0.3));
    writeBytes("junk.wav", {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'});
    writeAudio("slow.wav", noise(0.1, 2, 0.3, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000));
    mkdir(path("out").c_str(), 0755);
    CliRun r = run({"a.wav", "missing.wav", "c.wav", "junk.wav", "slow.wav", "-o", "out"});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    for (std::string bad : {"missing.wav: no such file", "junk.wav: unknown or unsupported",
                            "sample rate 8000 Hz is outside"})
        EXPECT_NE(r.err.find(bad), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("5 files: 2 written to out, 3 failed"), std::string::npos) << r.err;
    EXPECT_EQ(readAudio("out/a.wav").frames(), 4410);
    EXPECT_EQ(readAudio("out/c.wav").frames(), 4410);
    struct stat st;
    for (std::string bad : {"out/missing.wav", "out/junk.wav", "out/slow.wav"})
        EXPECT_NE(stat(path(bad).c_str(), &st), 0) << bad;

    // Failures of different kinds: the exit code is the first file's to fail,
    // whichever step found it (a refused output is found only in rendering).
    Audio loud = noise(0.1, 2, 0.3);
    loud.samples[10] = 1.5;
    writeAudio("loud.wav", loud);
    const struct {
        std::vector<std::string> inputs;
        int code;
    } orders[] = {
        {{"a.wav", "loud.wav", "missing.wav"}, 6},
        {{"missing.wav", "loud.wav", "a.wav"}, 3},
    };
    for (const auto& c : orders) {
        std::vector<std::string> args = c.inputs;
        for (std::string a : {"-o", "out", "--bits", "16", "--no-clip"})
            args.push_back(a);
        r = run(args);
        EXPECT_EQ(r.exitCode, c.code) << c.inputs[0] << ": " << r.err;
    }
}

// What the tool says names what happened: the system's reason for a failed
// write (Ogg's too, untested: the Ogg encoder leaks on that path, which the
// sanitizer build counts), a truncated file in every container, a recoded
// input, an option that would do nothing, the inputs behind clashing outputs.
TEST_F(RenderTest, MessagesSayWhatHappened) {
    Audio in = noise(0.2, 2, 0.3, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    writeAudio("in.wav", in);
    for (int f : {SF_FORMAT_W64, SF_FORMAT_RF64}) {
        in.format = f | SF_FORMAT_PCM_16;
        const std::string name = f == SF_FORMAT_W64 ? "in.w64" : "in.rf64";
        writeAudio(name, in);
        auto bytes = readBytes(name);
        bytes.resize(bytes.size() / 2);
        writeBytes("cut" + name.substr(2), bytes);
    }
    in.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    writeAudio("in.mp3", in);
    in.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    writeAudio("in.flac", in);
    // A WAV file whose writer stopped before it set the data's size.
    auto unfinished = readBytes("in.wav");
    const auto data = std::search(unfinished.begin(), unfinished.end(), "data", "data" + 4);
    ASSERT_NE(data, unfinished.end());
    std::fill(data + 4, data + 8, 0);
    writeBytes("unfinished.wav", unfinished);
    Audio one = noise(1.0 / 44100, 2, 0.3);
    writeAudio("one.wav", one);
    mkdir(path("d1").c_str(), 0755);
    mkdir(path("d2").c_str(), 0755);
    mkdir(path("out").c_str(), 0755);
    writeAudio("d1/a.wav", noise(0.1, 2, 0.3));
    writeAudio("d2/a.wav", noise(0.1, 2, 0.3));
    const std::string info = kRenderTool.substr(0, kRenderTool.rfind('/')) + "/dravo-info";
    const struct {
        std::string script;
        int code;
        std::string says;
    } cases[] = {
        {"\"$DRAVO\" in.wav /dev/full -q", 5, "/dev/full: cannot write: No space left on device"},
        {"\"$DRAVO\" in.wav /dev/full --format flac -q", 5, "No space left on device"},
        {"\"$DRAVO\" cut.w64 out.wav -q", 0, "cut.w64: the file ends early"},
        {"\"$DRAVO\" cut.rf64 out.wav -q", 0, "cut.rf64: the file ends early"},
        {"cat in.w64 | \"$DRAVO\" - out.wav -q", 0, ""},
        {"\"$DRAVO\" in.mp3 out.wav -q", 0,
         "out.wav: the input's encoding cannot go into this "
         "format; written as 24-bit PCM"},
        {"\"$DRAVO\" in.wav out.mp3 && \"$DRAVO\" in.wav out.m1a", 0, "out.m1a: 8820 frames in"},
        {"\"$DRAVO\" in.wav out.wav --rate 48000", 2, "--rate needs --plot"},
        {"\"$DRAVO\" in.wav out.wav --phase", 2, "--phase needs --plot"},
        {"\"$DRAVO\" in.wav out.wav --runs 3", 2, "--runs needs --bench"},
        {"\"$DRAVO\" --plot p.png --rate 8000", 2, "--rate: the sample rate 8000 Hz is outside"},
        {"\"$DRAVO\" --plot p.png --no-compensate", 2,
         "--no-compensate does nothing with --plot; it is for rendering files"},
        {"\"$DRAVO\" --bench 0.05 --bits 16", 2, "--bits does nothing with --bench"},
        {"\"$DRAVO\" --list --block 64", 2,
         "--block does nothing with --list; it is for rendering files, --plot or --bench"},
        {"\"$DRAVO\" --chunk c.chunk -q", 2, "--quiet does nothing with --chunk alone"},
        {"\"$DRAVO\" in.wav out.wav --set MID2.gain=-3dB", 2,
         "a cut is the section's mode switch: --set MID2=Cut --set MID2.gain=3dB"},
        {"\"$DRAVO\" unfinished.wav out.wav", 3,
         "unfinished.wav: its header gives 0 frames, yet 35280 bytes follow its data chunk"},
        {"cat in.flac | \"$DRAVO\" /dev/stdin out.wav -q", 0, ""},
        // A WAV of unknown length into a pipe stays WAV (RF64 needs to seek).
        {"cat in.wav | \"$DRAVO\" - - -q | \"$DRAVO\" - - -q | cat >chain.wav", 0, ""},
        {"mkfifo fifo && { cat in.flac >fifo & } && \"$DRAVO\" fifo out.wav -q", 0, ""},
        {"mkfifo f1 f2 && { cat in.flac >f1 & cat in.wav >f2 & } && timeout 20 \"$DRAVO\" f1 f2 "
         "-o out -q",
         0, ""},
        {"cat in.flac | TMPDIR=\"$PWD/none\" \"$DRAVO\" - out.wav", 3, "/none/dravo-render-"},
        {"\"$DRAVO\" d1/a.wav d2/a.wav -o out", 2,
         "(the output of d1/a.wav and the output of d2/a.wav)"},
        {"\"$DRAVO\" in.wav in.wav/x.wav", 5, "in.wav is not a directory"},
        {"\"$DRAVO\" in.wav ''", 2, "the output file name is empty"},
        {"\"$DRAVO\" in.wav " + std::string(240, 'n') + ".wav", 0, "nnn.wav: 8820 frames in"},
        {"\"$DRAVO\" one.wav out.wav", 0, "out.wav: 1 frame in, 1 out"},
        {"'" + info + "' --version", 0, "dravo-info "},
    };
    for (const auto& c : cases) {
        CliRun r = runShell(c.script);
        EXPECT_EQ(r.exitCode, c.code) << c.script << ": " << r.err;
        if (c.says.empty()) {
            EXPECT_EQ(r.err, "") << c.script;
        } else {
            EXPECT_NE((r.err + r.out).find(c.says), std::string::npos)
                << c.script << ": " << r.err << r.out;
        }
    }
}
