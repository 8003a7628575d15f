// Single-thread speed of the Huffman coders on residual-like data: blocks of 1920 x 28 samples
// drawn from a two-sided geometric distribution (what median prediction leaves on natural
// images), coded one row per call as the engine does. Prints MB/s of samples.
//
//   huffman_bench [entropy bits per sample, default 4.5] [repetitions, default 20]

#include "codec/entropy/HuffCoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr unsigned kWidth = 1920, kRows = 28, kBlocks = 40;

// Probabilities of the residuals -(n/2-1) .. n/2 with P(k) ~ theta^|k|, stored modulo n.
std::vector<double> two_sided_geometric(unsigned n, double theta)
{
    std::vector<double> p(n);
    double sum = 0;
    for (unsigned v = 0; v < n; ++v) {
        const int k = v < n / 2 ? int(v) : int(v) - int(n);
        sum += p[v] = std::pow(theta, std::abs(k));
    }
    for (double& x : p) x /= sum;
    return p;
}

double entropy(const std::vector<double>& p)
{
    double h = 0;
    for (double x : p)
        if (x > 0) h -= x * std::log2(x);
    return h;
}

// The theta whose distribution has the wanted entropy (entropy grows with theta).
std::vector<double> distribution_with_entropy(unsigned n, double bits)
{
    double lo = 0.01, hi = 0.9999;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        (entropy(two_sided_geometric(n, mid)) < bits ? lo : hi) = mid;
    }
    return two_sided_geometric(n, (lo + hi) / 2);
}

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

template <class Coder, class Sample>
void run(const char* name, double bits, int reps)
{
    Coder coder;
    const unsigned n = coder.numSymbols;
    const std::vector<double> p = distribution_with_entropy(n, bits);
    std::discrete_distribution<unsigned> dist(p.begin(), p.end());
    std::mt19937_64 gen(12345);

    const size_t blockSamples = size_t(kWidth) * kRows;
    std::vector<Sample> samples(blockSamples * kBlocks);
    std::vector<unsigned long long> counts(n, 0);
    for (Sample& s : samples) ++counts[s = static_cast<Sample>(dist(gen))];
    if (!coder.setSymbols(n, counts.data(), false, nullptr)) {
        std::printf("%s: setSymbols failed\n", name);
        std::exit(1);
    }

    const size_t capacity = blockSamples * coder.maxCodeLength / 8 + 128;
    std::vector<unsigned char> stream(capacity * kBlocks);
    std::vector<int> sizes(kBlocks);
    std::vector<Sample> decoded(samples.size());

    double bestEnc = 1e9, bestDec = 1e9;
    size_t total = 0;
    for (int r = 0; r < reps; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        total = 0;
        for (unsigned b = 0; b < kBlocks; ++b) {
            HuffCoder::Status st(&stream[b * capacity], capacity);
            const Sample* src = &samples[b * blockSamples];
            for (unsigned y = 0; y < kRows; ++y) coder.encode_block(st, src + size_t(y) * kWidth, kWidth);
            total += size_t(sizes[b] = coder.encode_end(st));
        }
        bestEnc = std::min(bestEnc, seconds_since(t0));

        t0 = std::chrono::steady_clock::now();
        for (unsigned b = 0; b < kBlocks; ++b) {
            HuffCoder::Status st(&stream[b * capacity], unsigned(sizes[b]));
            Sample* dst = &decoded[b * blockSamples];
            for (unsigned y = 0; y < kRows; ++y) coder.decode_block(st, dst + size_t(y) * kWidth, kWidth);
        }
        bestDec = std::min(bestDec, seconds_since(t0));
    }
    if (decoded != samples) {
        std::printf("%s: decoded samples differ\n", name);
        std::exit(1);
    }
    // A frame builds one table per plane: from the counts for encoding (code lengths and codes,
    // and the pair table of 8-bit samples), from the stored lengths for decoding.
    double bestEncTable = 1e9, bestDecTable = 1e9;
    Coder encTables, decTables;
    for (int r = 0; r < reps; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        encTables.setSymbols(n, counts.data(), true, nullptr);
        bestEncTable = std::min(bestEncTable, seconds_since(t0));
        t0 = std::chrono::steady_clock::now();
        decTables.setLengths(n, coder.lengths.data(), false, nullptr);
        bestDecTable = std::min(bestDecTable, seconds_since(t0));
    }
    const double mb = double(samples.size() * sizeof(Sample)) / 1e6;
    const double msamples = double(samples.size()) / 1e6;
    std::printf("%-12s entropy %.2f bits, coded %.3f bits/sample: encode %7.0f MB/s (%6.0f Msamples/s), "
                "decode %7.0f MB/s (%6.0f Msamples/s); a table takes %.0f us to encode, %.0f us to decode\n",
                name, entropy(p), 8.0 * double(total) / double(samples.size()), mb / bestEnc, msamples / bestEnc,
                mb / bestDec, msamples / bestDec, bestEncTable * 1e6, bestDecTable * 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    const double bits = argc > 1 ? std::atof(argv[1]) : 4.5;
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    std::printf("Huffman coders, one thread, %u blocks of %ux%u samples, one row per call\n", kBlocks, kWidth,
                kRows);
    run<HuffCoder8, unsigned char>("HuffCoder8", bits, reps);
    run<HuffCoder10, unsigned short>("HuffCoder10", bits + 2, reps);
    run<HuffCoder12, unsigned short>("HuffCoder12", bits + 4, reps);
    run<HuffCoder14, unsigned short>("HuffCoder14", bits + 6, reps);
    return 0;
}
