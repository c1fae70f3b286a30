// Streaming a file through a plug-in session, and the block-wise processing
// that the plot and the benchmark share.
#pragma once

#include "host/render/AudioIO.h"
#include "host/render/Settings.h"

#include <vector>

// Feeds the session's plug-in blocks of interleaved audio with the session's
// `channels` and returns its `outChannels`, mapping them onto the plug-in's
// pins: stereo one to one; mono into the first input (with a mono
// arrangement) or into every input (without); the outputs in order. With a
// second instance each channel goes through its own.
template <typename T> class BlockProcessor {
  public:
    BlockProcessor(PluginSession& s, int block);
    // in: n interleaved frames of `channels`, out of `outChannels`; n <= block.
    void process(const T* in, T* out, int n);
    // Planar form for the benchmark: channel pointers of the first
    // instance's width.
    void processPlanar(T* const* in, T* const* out, int n);

  private:
    struct Instance {
        VstPlugin* plugin;
        std::vector<std::vector<T>> ins, outs;
        std::vector<T*> inPtr, outPtr;
    };
    PluginSession& s_;
    std::vector<Instance> instances_;
};

struct RenderStats {
    long long inputFrames = 0; // read from the input
    long long outputFrames = 0;
    int latency = 0;                 // the plug-in's, once known
    bool compensated = false;        // taken out of the output
    long long latencyChangedAt = -1; // the latency changed again at this frame
    int earlierLatency = 0, laterLatency = 0;
    // It changed while the output was held back, so the whole output is lined
    // up for the later value (else only what came before the change is).
    bool alignedToLater = false;
    long long tail = 0;           // frames rendered after the input
    bool tailCut = false;         // the output still sounded where the tail's cap ended it
    long long nonFiniteInput = 0; // NaN or infinite input samples
    long long firstNonFiniteFrame = -1;
    bool endedEarly = false;    // the input ended before the length its header gives
    long long headerFrames = 0; // that length, when it ended early while reading
};

// The most frames renderFile can write for an input of inputFrames frames
// (-1: not known): the input, the latency and the longest tail, with room
// for a latency announced late.
long long outputFramesAtMost(PluginSession& s, long long inputFrames, int rate,
                             const RenderOptions& o);

// `label` names the file on the progress bar.
RenderStats renderFile(PluginSession& s, AudioReader& in, AudioWriter& out, const RenderOptions& o,
                       const std::string& label);
