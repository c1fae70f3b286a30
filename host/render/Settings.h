// Loading the plug-in for the renderer and bringing it into the state the
// command line asks for, the way a host restoring a project does.
#pragma once

#include "host/VstHost.h"
#include "host/render/Options.h"

#include <memory>
#include <string>

constexpr VstInt32 kDravoUniqueID = fourCC('Z', 'k', 'V', 'w');

// The default plug-in: ours, looked for beside the tool first, then where the
// build put it.
std::string defaultPluginPath();
std::string fourChars(VstInt32 id);

struct PluginSession {
    std::unique_ptr<VstPlugin> plugin;
    bool isDravo = false;
    std::string title;            // the selected preset's name and the edits, for the plot
    std::string edits;            // "OUTPUT -4dB, MID1.freq 1.13kHz": what the settings changed
    int channels = 2;             // channels of the audio the host feeds
    int outChannels = 2;          // channels of the audio it gives back
    bool monoArrangement = false; // the plug-in took a 1-in/1-out arrangement
    // A stereo file through a plug-in of one input: a second instance, with
    // the same settings, processes the right channel.
    std::unique_ptr<VstPlugin> second;
};

// Loads the plug-in, checks its unique ID, sets rate, block size and the
// speaker arrangement for channels (1 or 2; 0: the plug-in's own, two where
// it has two inputs), applies every setting of the command line and resumes.
// A mono file feeds every input of a plug-in that takes no mono arrangement;
// the output has as many channels as the plug-in has outputs, at most two.
// A stereo file through a plug-in of one input and one output runs through
// two instances; with one input and two outputs it is refused. Throws CliError.
PluginSession openSession(const RenderOptions& o, double rate, int block, int channels);

// Prints the presets and parameters of the plug-in.
void listPlugin(const RenderOptions& o);

// --chunk FILE names a file that is there: the state is restored from it,
// and it is never written. A new name is where the state is saved.
bool chunkIsInput(const RenderOptions& o);
// The plug-in's chunk as --chunk saves it.
std::vector<unsigned char> sessionChunk(PluginSession& s);
