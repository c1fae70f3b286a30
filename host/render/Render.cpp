#include "host/render/Render.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

template <typename T> BlockProcessor<T>::BlockProcessor(PluginSession& s, int block) : s_(s) {
    for (VstPlugin* p : {s.plugin.get(), s.second.get()}) {
        if (!p) continue;
        AEffect* e = p->effect();
        Instance& in = instances_.emplace_back();
        in.plugin = p;
        in.ins.assign(static_cast<std::size_t>(std::max(e->numInputs, 1)), std::vector<T>(block));
        in.outs.assign(static_cast<std::size_t>(std::max(e->numOutputs, 1)), std::vector<T>(block));
        for (auto& ch : in.ins)
            in.inPtr.push_back(ch.data());
        for (auto& ch : in.outs)
            in.outPtr.push_back(ch.data());
    }
}

template <typename T> void BlockProcessor<T>::process(const T* in, T* out, int n) {
    const int c = s_.channels, oc = s_.outChannels;
    const bool perChannel = instances_.size() > 1;
    for (std::size_t k = 0; k < instances_.size(); ++k) {
        Instance& inst = instances_[k];
        for (std::size_t pin = 0; pin < inst.ins.size(); ++pin) {
            T* dst = inst.ins[pin].data();
            // The file's channel this pin gets, or -1 for silence.
            const int from = perChannel ? (pin == 0 ? static_cast<int>(k) : -1)
                             : c == 2   ? (pin < 2 ? static_cast<int>(pin) : -1)
                             : pin == 0 || !s_.monoArrangement ? 0
                                                               : -1;
            if (from < 0) {
                std::fill(dst, dst + n, T(0));
            } else {
                for (int i = 0; i < n; ++i)
                    dst[i] = in[c * i + from];
            }
        }
        if constexpr (std::is_same_v<T, float>)
            inst.plugin->processReplacing(inst.inPtr.data(), inst.outPtr.data(), n);
        else
            inst.plugin->processDoubleReplacing(inst.inPtr.data(), inst.outPtr.data(), n);
    }
    for (int ch = 0; ch < oc; ++ch) {
        const T* src = perChannel ? instances_[static_cast<std::size_t>(ch)].outs[0].data()
                                  : instances_[0].outs[static_cast<std::size_t>(ch)].data();
        for (int i = 0; i < n; ++i)
            out[oc * i + ch] = src[i];
    }
}

template <typename T> void BlockProcessor<T>::processPlanar(T* const* in, T* const* out, int n) {
    if constexpr (std::is_same_v<T, float>)
        s_.plugin->processReplacing(const_cast<T**>(in), const_cast<T**>(out), n);
    else
        s_.plugin->processDoubleReplacing(const_cast<T**>(in), const_cast<T**>(out), n);
}

template class BlockProcessor<float>;
template class BlockProcessor<double>;

namespace {

// A bar on the standard error stream, redrawn at most every percent.
class Progress {
  public:
    Progress(bool enabled, long long total, std::string label)
        : enabled_(enabled), total_(std::max(total, 1LL)), label_(std::move(label)) {
        if (label_.size() > 24) label_ = "..." + label_.substr(label_.size() - 21);
    }
    ~Progress() {
        if (enabled_ && shown_ >= 0) std::fprintf(stderr, "\r%80s\r", "");
    }
    void setTotal(long long total) { total_ = std::max(total, 1LL); }
    void update(long long done) {
        if (!enabled_) return;
        int pct = static_cast<int>(std::min(100LL, done * 100 / total_));
        if (pct == shown_) return;
        shown_ = pct;
        const int width = 40;
        int fill = pct * width / 100;
        std::fprintf(stderr, "\r%-24s [%.*s%*s] %3d%%", label_.c_str(), fill,
                     "########################################", width - fill, "", pct);
        std::fflush(stderr);
    }

  private:
    bool enabled_;
    long long total_;
    std::string label_;
    int shown_ = -1;
};

// Frames rendered after the input when the plug-in is left to say: at least
// its own tail size, then until the output has been silent in the output
// format for kQuietSeconds (or two blocks), at most kTailCapSeconds.
constexpr double kQuietSeconds = 0.2;
constexpr long long kTailCapSeconds = 60;
// The output of the first kSettleSeconds (or 16 blocks) is held back until the
// plug-in's latency is known: some report it only after their first blocks.
constexpr double kSettleSeconds = 0.5;

long long saturatedSum(long long a, long long b) {
    return a > LLONG_MAX - b ? LLONG_MAX : a + b;
}

template <typename T>
RenderStats renderAs(PluginSession& s, AudioReader& in, AudioWriter& out, const RenderOptions& o,
                     const std::string& label) {
    RenderStats st;
    const int c = s.channels, oc = s.outChannels;
    const int block = o.block;
    const long long rate = in.rate();
    st.inputFrames = in.frames();
    st.latency = std::max(s.plugin->latency(), 0);
    st.compensated = o.compensate;
    const bool fixedTail = o.tail >= 0;
    long long minTail = 0, cap = 0;
    if (fixedTail) {
        minTail = cap = o.tail;
    } else {
        // 0 means the plug-in does not say, 1 that it has no tail.
        VstIntPtr t = s.plugin->tailSize();
        minTail = t > 1 && t < 100000000 ? t : 0;
        cap = std::max(minTail, kTailCapSeconds * rate);
    }
    const long long hold =
        std::max(static_cast<long long>(kQuietSeconds * static_cast<double>(rate)), 2LL * block);
    const long long settleAt =
        std::max(static_cast<long long>(kSettleSeconds * static_cast<double>(rate)), 16LL * block);
    auto shift = [&] { return o.compensate ? static_cast<long long>(st.latency) : 0LL; };
    // Where the tail starts and where the render ends at the latest.
    auto tailStart = [&] { return saturatedSum(st.inputFrames, shift()); };
    long long total = saturatedSum(tailStart(), cap);
    // A few seconds or more on a terminal get a progress bar.
    bool bar = !o.quiet && isatty(STDERR_FILENO) && !in.lengthUnknown() &&
               st.inputFrames > 4LL * in.rate();
    Progress progress(bar, saturatedSum(tailStart(), minTail), label);
    const double silence = out.silenceLevel();
    st.endedEarly = in.shorterThanHeader();

    BlockProcessor<T> proc(s, block);
    std::vector<T> inBuf(static_cast<std::size_t>(block * c)),
        outBuf(static_cast<std::size_t>(block * oc));
    std::vector<T> zeros(outBuf.size(), T(0));
    std::vector<T> held; // plug-in output while the latency may still change
    long long pos = 0, readSoFar = 0, pendingZeros = 0, quiet = 0;
    bool inputEnded = false, settled = false, done = false;

    // Writes plug-in frames [from, from + n): output frame k is plug-in frame
    // k + shift; input-length frames are written as they come, tail frames
    // only up to the last non-silent one.
    auto emit = [&](const T* frames, long long from, long long n) {
        const long long end = std::min(from + n, total);
        for (long long g = std::max(from, shift()); g < end;) {
            long long k = g - shift();
            const T* frame = frames + (g - from) * oc;
            if (k < st.inputFrames) {
                long long run = std::min(end, tailStart()) - g;
                out.write(frame, run);
                st.outputFrames += run;
                g += run;
                continue;
            }
            // Tail frames that the output format shows as zero are silence
            // (NaN is not: the writer has to see it).
            bool silent = std::all_of(frame, frame + oc, [&](T v) {
                return std::fabs(static_cast<double>(v)) <= silence;
            });
            if (silent && !fixedTail) {
                ++pendingZeros;
                ++quiet;
            } else {
                while (pendingZeros > 0) {
                    long long z = std::min<long long>(pendingZeros, block);
                    out.write(zeros.data(), z);
                    st.outputFrames += z;
                    pendingZeros -= z;
                }
                out.write(frame, 1);
                ++st.outputFrames;
                quiet = 0;
            }
            ++g;
        }
        // Enough of the tail, and quiet for long enough: the render ends.
        if (!fixedTail && end > tailStart() && end - tailStart() >= minTail && quiet >= hold)
            done = true;
    };
    auto settle = [&] {
        settled = true;
        emit(held.data(), 0, static_cast<long long>(held.size()) / oc);
        held.clear();
        held.shrink_to_fit();
    };

    for (;;) {
        if (pos >= total || done) {
            if (settled) break;
            settle();
            continue;
        }
        int n = static_cast<int>(std::min<long long>(block, total - pos));
        long long got = 0;
        if (!inputEnded) {
            got = in.read(inBuf.data(), n);
            if (got < n) inputEnded = true;
            for (long long i = 0; i < got * c; ++i)
                if (!std::isfinite(inBuf[static_cast<std::size_t>(i)]) && st.nonFiniteInput++ == 0)
                    st.firstNonFiniteFrame = readSoFar + i / c;
            readSoFar += got;
            // A stream ends before the length its header gave (a pipe's
            // writer leaves it unknown): the input is what was read, and
            // the rest is tail.
            if (inputEnded && readSoFar < st.inputFrames) {
                if (!in.lengthUnknown()) {
                    st.endedEarly = true;
                    st.headerFrames = st.inputFrames;
                }
                st.inputFrames = readSoFar;
                total = saturatedSum(tailStart(), cap);
                n = static_cast<int>(std::max<long long>(0, std::min<long long>(n, total - pos)));
                progress.setTotal(saturatedSum(tailStart(), minTail));
            }
        }
        std::fill(inBuf.begin() + got * c, inBuf.begin() + static_cast<long long>(n) * c, T(0));
        proc.process(inBuf.data(), outBuf.data(), n);
        const int latency = std::max(s.plugin->latency(), 0);
        if (!settled) {
            held.insert(held.end(), outBuf.begin(),
                        outBuf.begin() + static_cast<long long>(n) * oc);
            if (latency != st.latency) {
                // 0 then a value is a latency announced late; a value then
                // another is a change, which the output can only follow with
                // one shift (the last).
                if (st.latency != 0 && st.latencyChangedAt < 0) {
                    st.latencyChangedAt = pos;
                    st.earlierLatency = st.latency;
                    st.alignedToLater = true;
                }
                st.latency = latency;
                total = saturatedSum(tailStart(), cap);
                progress.setTotal(saturatedSum(tailStart(), minTail));
            }
            pos += n;
            if (pos >= settleAt) settle();
        } else {
            if (latency != st.latency && st.latencyChangedAt < 0) {
                st.latencyChangedAt = pos;
                st.earlierLatency = st.latency;
                st.laterLatency = latency;
            }
            emit(outBuf.data(), pos, n);
            pos += n;
        }
        progress.update(pos);
    }
    if (st.alignedToLater) st.laterLatency = st.latency;
    st.tail = std::max(0LL, pos - tailStart());
    st.tailCut = !fixedTail && !done && quiet < hold;
    return st;
}

} // namespace

long long outputFramesAtMost(PluginSession& s, long long inputFrames, int rate,
                             const RenderOptions& o) {
    if (inputFrames < 0) return -1;
    long long cap = o.tail;
    if (cap < 0) {
        VstIntPtr t = s.plugin->tailSize();
        cap = std::max<long long>(t > 1 && t < 100000000 ? t : 0, kTailCapSeconds * rate);
    }
    const long long settle =
        std::max(static_cast<long long>(kSettleSeconds * rate), 16LL * o.block);
    return saturatedSum(saturatedSum(inputFrames, std::max(s.plugin->latency(), 0)),
                        saturatedSum(cap, settle));
}

RenderStats renderFile(PluginSession& s, AudioReader& in, AudioWriter& out, const RenderOptions& o,
                       const std::string& label) {
    return o.useDouble ? renderAs<double>(s, in, out, o, label)
                       : renderAs<float>(s, in, out, o, label);
}
