// Our deflate compressor against zlib's deflate at level 8 (the same settings)
// and level 6 (zlib's default, for context), on a generated portfolio stream of
// about 13 MB and on its semicolon text export. Prints compressed-size and
// speed ratios after the timings.

#include "BenchSupport.h"
#include "portfolio/Deflate.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, static_cast<uint16_t>(v));
    put16(b, static_cast<uint16_t>(v >> 16));
}
void putDouble(Bytes& b, double d) {
    uint64_t v;
    std::memcpy(&v, &d, 8);
    put32(b, static_cast<uint32_t>(v));
    put32(b, static_cast<uint32_t>(v >> 32));
}
void putString(Bytes& b, const std::string& s) {
    b.push_back(static_cast<uint8_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}

struct Quotation {
    std::chrono::sys_days day;
    double open, close, high, low, volume;
};

struct Item {
    std::string name, symbol;
    std::vector<Quotation> quotes;
};

// Items with daily quotations (random walks rounded to cents, trading days only).
std::vector<Item> makeItems() {
    std::mt19937_64 rng(20240601);
    std::vector<Item> items;
    const char* const words[] = {"Global", "Euro",    "Tech",  "Energy", "Bond",   "Growth",
                                 "Value",  "Pacific", "Small", "Index",  "Health", "Fund"};
    for (int i = 0; i < 60; ++i) {
        Item item;
        char text[64];
        std::snprintf(text, sizeof text, "%s %s %d", words[i % 12], words[(i * 7 + 3) % 12], i);
        item.name = text;
        std::snprintf(text, sizeof text, "SYM%d", 1000 + i * 37);
        item.symbol = text;
        double price = 10.0 + static_cast<double>(rng() % 20000) / 100.0;
        std::chrono::sys_days day = std::chrono::year{2005} / 1 / 3;
        while (item.quotes.size() < 4000) {
            const std::chrono::weekday wd{day};
            if (wd != std::chrono::Saturday && wd != std::chrono::Sunday) {
                const double step = (static_cast<double>(rng() % 2001) - 1000.0) / 50000.0;
                const double open = std::round(price * 100) / 100;
                price = std::max(0.5, price * (1 + step));
                const double close = std::round(price * 100) / 100;
                const double high = std::round(std::max(open, close) * (1 + (rng() % 100) / 10000.0) * 100) / 100;
                const double low = std::round(std::min(open, close) * (1 - (rng() % 100) / 10000.0) * 100) / 100;
                item.quotes.push_back({day, open, close, high, low, static_cast<double>(rng() % 500000)});
            }
            day += std::chrono::days{1};
        }
        items.push_back(std::move(item));
    }
    return items;
}

// The object archive of the portfolio: per item a class tag, strings and the
// list of 52-byte quotation records.
Bytes portfolioStream(const std::vector<Item>& items) {
    Bytes b;
    put16(b, static_cast<uint16_t>(items.size()));
    const auto epoch = std::chrono::sys_days{std::chrono::year{1899} / 12 / 30};
    for (size_t i = 0; i < items.size(); ++i) {
        put16(b, i == 0 ? 0xFFFF : 0x8001);
        if (i == 0) {
            put16(b, 22);
            put16(b, 8);
            const std::string cls = "CWPapier";
            b.insert(b.end(), cls.begin(), cls.end());
        }
        putString(b, items[i].name);
        putString(b, items[i].symbol);
        putString(b, "");
        putDouble(b, 0.0);
        put16(b, static_cast<uint16_t>(items[i].quotes.size()));
        for (size_t k = 0; k < items[i].quotes.size(); ++k) {
            const Quotation& q = items[i].quotes[k];
            put16(b, i == 0 && k == 0 ? 0xFFFF : 0x8003);
            if (i == 0 && k == 0) {
                put16(b, 22);
                put16(b, 5);
                const std::string cls = "CKurs";
                b.insert(b.end(), cls.begin(), cls.end());
            }
            put32(b, 0);
            putDouble(b, static_cast<double>((q.day - epoch).count()) + 17.5 / 24.0);
            putDouble(b, q.close);
            putDouble(b, q.open);
            putDouble(b, q.high);
            putDouble(b, q.low);
            putDouble(b, q.volume);
        }
        put16(b, 0); // no transactions
    }
    return b;
}

// The quotation export of the same portfolio.
Bytes textExport(const std::vector<Item>& items) {
    std::string s = "#Symbol; Date; Time; Close; Open; Low; High; Volume\r\n";
    char line[256];
    for (const Item& item : items) {
        for (const Quotation& q : item.quotes) {
            const std::chrono::year_month_day ymd{q.day};
            std::snprintf(line, sizeof line, "%s; %04d-%02u-%02u; %s; %3.4lf; %3.4lf; %3.4lf; %3.4lf; %0.0lf\r\n",
                          item.symbol.c_str(), static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                          static_cast<unsigned>(ymd.day()), "17:30", q.close, q.open, q.low, q.high, q.volume);
            s += line;
        }
        s += "\r\n";
    }
    return Bytes(s.begin(), s.end());
}

const Bytes& input(int which) {
    static const std::vector<Item> items = makeItems();
    static const Bytes stream = portfolioStream(items);
    static const Bytes text = textExport(items);
    return which == 0 ? stream : text;
}

const char* inputName(int which) {
    return which == 0 ? "portfolio stream" : "text export";
}

size_t compressOurs(const Bytes& in, DeflateCompressor& compressor, Bytes& out) {
    out.clear();
    compressor.compress(in.data(), in.size(), [&](const uint8_t* d, size_t n) {
        out.insert(out.end(), d, d + n);
        return true;
    });
    return out.size();
}

size_t compressZlib(const Bytes& in, int level, Bytes& out) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    out.resize(deflateBound(&z, in.size()));
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out.size();
}

// The benchmark's run name; level 0 is our compressor.
std::string runName(int which, int level) {
    char name[64];
    if (level == 0)
        std::snprintf(name, sizeof name, "BM_Ours/%d/iterations:5", which);
    else
        std::snprintf(name, sizeof name, "BM_Zlib/%d/%d/iterations:5", which, level);
    return name;
}

std::map<std::string, size_t> g_sizes; // compressed size per run name

// The compressor state is made once, as the zip writer makes it once per archive.
void BM_Ours(benchmark::State& state) {
    const Bytes& in = input(static_cast<int>(state.range(0)));
    DeflateCompressor compressor;
    Bytes out;
    size_t size = 0;
    for (auto _ : state)
        size = compressOurs(in, compressor, out);
    g_sizes[runName(static_cast<int>(state.range(0)), 0)] = size;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

void BM_Zlib(benchmark::State& state) {
    const Bytes& in = input(static_cast<int>(state.range(0)));
    Bytes out;
    size_t size = 0;
    for (auto _ : state)
        size = compressZlib(in, static_cast<int>(state.range(1)), out);
    g_sizes[runName(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)))] = size;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

BENCHMARK(BM_Ours)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Zlib)
    ->Args({0, 8})
    ->Args({1, 8})
    ->Args({0, 6})
    ->Args({1, 6})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // Check once that each stream inflates back to its input.
    std::printf("\nOurs against zlib (size ratio = our size / zlib size, speed ratio = zlib time / our time)\n");
    for (int which = 0; which < 2; ++which) {
        const Bytes& in = input(which);
        DeflateCompressor compressor;
        Bytes ours;
        compressOurs(in, compressor, ours);
        Bytes back(in.size());
        z_stream z{};
        inflateInit2(&z, -MAX_WBITS);
        z.next_in = ours.data();
        z.avail_in = static_cast<uInt>(ours.size());
        z.next_out = back.data();
        z.avail_out = static_cast<uInt>(back.size());
        const bool ok = inflate(&z, Z_FINISH) == Z_STREAM_END && z.total_out == in.size() && back == in;
        inflateEnd(&z);

        const std::string oursName = runName(which, 0);
        std::printf("%s: %.2f MB, ours %zu bytes (%s)\n", inputName(which), in.size() / 1e6, g_sizes[oursName],
                    ok ? "inflates back" : "DOES NOT INFLATE BACK");
        for (int level : {8, 6}) {
            const std::string zName = runName(which, level);
            const double oursTime = reporter.realTime(oursName);
            const double zTime = reporter.realTime(zName);
            if (!g_sizes.count(oursName) || !g_sizes.count(zName) || std::isnan(oursTime) || std::isnan(zTime))
                continue;
            std::printf("  vs zlib level %d: %zu bytes, size ratio %.4f, speed ratio %.2fx\n", level, g_sizes[zName],
                        static_cast<double>(g_sizes[oursName]) / static_cast<double>(g_sizes[zName]), zTime / oursTime);
        }
    }
    benchmark::Shutdown();
    return 0;
}
