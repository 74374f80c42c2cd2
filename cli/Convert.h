#pragma once
// The streaming point conversion behind `travena-cli convert`.

#include <cstdint>
#include <cstdio>
#include <string>

namespace cli {

struct ConvertOptions {
    std::string from;  // a batch system list item
    std::string to;
    std::int16_t method = 1;   // datum transformation method, 1 to 4
    std::int16_t geoMode = 2;  // geographic input: 1 DMS text, 2 degrees, 3 radians
    int threads = 0;           // converting threads; 0: one per core
    // --height IN:OUT, each 'h' (ellipsoidal, ETRS89) or 'H' (Ostend, hBG18):
    // every line ends with a height, converted at the end of its output line.
    // 0 without heights.
    char heightIn = 0, heightOut = 0;
};

// Reads one point per line from the descriptor `in` and writes one
// tab-separated line per input line to `out`; a line that cannot be converted
// gives "*" in each field and a message naming it on `err`. Returns 0, or 1
// when some line failed. Memory stays bounded whatever the input size.
// Lines are converted by `threads` threads and written in input order: the
// bytes written do not depend on the number of threads.
int RunConvert(const ConvertOptions& options, int in, std::FILE* out, std::FILE* err);

// The number of cores, the default number of threads.
int DefaultThreads();

}  // namespace cli
