// Audio files through libsndfile: the reader, the writer, the choice of the
// output format and the output files they go through.
#pragma once

#include "host/render/AudioReader.h"
#include "host/render/AudioWriter.h"
#include "host/render/OutputFormat.h"
#include "host/render/TempFiles.h"
