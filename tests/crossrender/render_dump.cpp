// Renders fixed material through a plug-in library with both process entries
// and writes the raw output, so that the same build of the product on two
// platforms can be compared sample by sample:
//   emberline_render_dump [--random] PLUGIN OUT.raw
//   emberline_render_dump --compare A.raw B.raw [TOLERANCE]
// The comparison passes when the 32-bit output is identical byte for byte and
// no 64-bit sample differs by more than TOLERANCE (default 1e-15, absolute: the
// output stays within a few units of full scale); it prints what it measured
// either way. The product computes its coefficients with its own
// transcendental functions, not the C library's, so that both platforms get
// the same bits; the material here is made with them too.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dsp/Math.h"
#include "presets/FactoryPrograms.h"
#include "tools/vsthost/VstHost.h"

namespace {

// A small generator of its own, so every platform draws the same numbers.
struct Lcg {
    std::uint64_t s;
    std::uint32_t next() {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return (std::uint32_t)(s >> 33);
    }
    double unit() { return next() / 2147483648.0; }  // 0 <= x < 1
};

// Stereo material: two tones, a slow swell past full scale, noise bursts and
// a stretch of silence. The C library's sin and cos would differ between the
// platforms in the last bit (and more near multiples of pi), and so the input.
double sample(int channel, long i, double rate) {
    const double pi = 3.14159265358979323846;
    const double t = (double)i / rate;
    double x = 0.6 * dsp::math::sin(2 * pi * (110.0 + 30 * channel) * t) + 0.3 * dsp::math::sin(2 * pi * 2900.0 * t);
    x *= 0.2 + 1.8 * (0.5 - 0.5 * dsp::math::cos(2 * pi * 0.7 * t));
    const long cycle = i % 20000;
    if (cycle > 15000 && cycle < 17000) x = 0.0;
    if (cycle > 9000 && cycle < 9300) x += ((i * 7919 + channel * 104729) % 2001 - 1000) / 700.0;
    return x;
}

struct Setup {
    float rate;
    std::uint64_t seed;
    const double* values;  // a factory program's values, or null: drawn from the seed
};

// One setup: every host parameter from a factory program or drawn from the
// seed, then the material in blocks of drawn sizes, through the float or the
// double entry.
template <typename T>
void render(vsthost::Plugin& p, const Setup& setup, long frames, std::vector<T>& out) {
    Lcg lcg{setup.seed};
    p.suspend();
    p.setSampleRate(setup.rate);
    p.setBlockSize(512);
    const int params = p.effect()->numParams;
    for (int k = 0; k < params; ++k) {
        const float drawn = (float)lcg.unit();
        p.setParameter(k, setup.values ? (float)setup.values[k] : drawn);
    }
    p.resume();
    std::vector<T> in0(512), in1(512), o0(512), o1(512);
    for (long done = 0; done < frames;) {
        int n = 1 + (int)(lcg.next() % 512);
        if (n > frames - done) n = (int)(frames - done);
        for (int i = 0; i < n; ++i) {
            in0[i] = (T)sample(0, done + i, setup.rate);
            in1[i] = (T)sample(1, done + i, setup.rate);
        }
        T* ins[2] = {in0.data(), in1.data()};
        T* outs[2] = {o0.data(), o1.data()};
        if constexpr (sizeof(T) == 8)
            p.processDouble(ins, outs, n);
        else
            p.process(ins, outs, n);
        for (int i = 0; i < n; ++i) {
            out.push_back(o0[i]);
            out.push_back(o1[i]);
        }
        done += n;
    }
}

int dump(const char* plugin, const char* file, bool randomSetups) {
    std::string error;
    auto p = vsthost::Plugin::load(plugin, error);
    if (!p) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // Every factory program of the edition at the usual rates, then settings
    // drawn at random at every rate class.
    const int edition = p->effect()->numParams == 48 ? 1 : 2;
    const presets::FactoryProgram* programs = presets::factoryPrograms(edition);
    const float rates[] = {44100.0f, 48000.0f, 96000.0f};
    std::vector<Setup> setups;
    for (int i = 0; i < presets::kNumFactoryPrograms; ++i) setups.push_back({rates[i % 3], (std::uint64_t)i, programs[i].values});
    if (randomSetups)
        for (std::uint64_t seed = 1; seed <= 8; ++seed)
            setups.push_back({seed % 2 ? 44100.0f : seed % 4 ? 96000.0f : 192000.0f, seed, nullptr});
    const long frames = 12000;
    std::vector<float> f;
    std::vector<double> d;
    for (const Setup& s : setups) {
        render(*p, s, frames, f);
        render(*p, s, frames, d);
    }
    std::FILE* out = std::fopen(file, "wb");
    if (!out) {
        std::fprintf(stderr, "%s: cannot write\n", file);
        return 1;
    }
    const std::uint64_t nf = f.size(), nd = d.size();
    bool ok = std::fwrite(&nf, 8, 1, out) == 1 && std::fwrite(f.data(), 4, nf, out) == nf &&
              std::fwrite(&nd, 8, 1, out) == 1 && std::fwrite(d.data(), 8, nd, out) == nd;
    ok = std::fclose(out) == 0 && ok;
    if (!ok) std::fprintf(stderr, "%s: write failed\n", file);
    return ok ? 0 : 1;
}

bool load(const char* file, std::vector<float>& f, std::vector<double>& d) {
    std::FILE* in = std::fopen(file, "rb");
    if (!in) return false;
    std::uint64_t nf = 0, nd = 0;
    bool ok = std::fread(&nf, 8, 1, in) == 1 && nf < (1ull << 28);
    if (ok) {
        f.resize(nf);
        ok = std::fread(f.data(), 4, nf, in) == nf && std::fread(&nd, 8, 1, in) == 1 && nd < (1ull << 28);
    }
    if (ok) {
        d.resize(nd);
        ok = std::fread(d.data(), 8, nd, in) == nd;
    }
    std::fclose(in);
    return ok;
}

int compare(const char* a, const char* b, double tolerance) {
    std::vector<float> fa, fb;
    std::vector<double> da, db;
    if (!load(a, fa, da) || !load(b, fb, db)) {
        std::fprintf(stderr, "cannot read %s or %s\n", a, b);
        return 1;
    }
    const bool floatSame = fa.size() == fb.size() && std::memcmp(fa.data(), fb.data(), fa.size() * 4) == 0;
    long floatDiffer = 0, floatBeyond = 0;
    double worstFloat = 0;
    for (std::size_t i = 0; i < fa.size() && i < fb.size(); ++i) {
        if (std::memcmp(&fa[i], &fb[i], 4) == 0) continue;
        ++floatDiffer;
        const double diff = std::fabs((double)fa[i] - (double)fb[i]);
        const float larger = std::fmax(std::fabs(fa[i]), std::fabs(fb[i]));
        const double ulp = (double)std::nextafter(larger, INFINITY) - (double)larger;
        if (!(diff <= ulp)) ++floatBeyond;
        if (diff > worstFloat) worstFloat = diff;
    }
    double worst = 0;
    long doubleDiffer = 0;
    bool finite = da.size() == db.size();
    for (std::size_t i = 0; i < da.size() && i < db.size(); ++i) {
        if (!std::isfinite(da[i]) || !std::isfinite(db[i])) finite = false;
        const double diff = std::fabs(da[i] - db[i]);
        if (diff > worst) worst = diff;
        doubleDiffer += std::memcmp(&da[i], &db[i], 8) != 0;
    }
    std::printf("32-bit: %zu samples, %s (%ld differ, largest difference %.3g, %ld beyond a unit in the last "
                "place); 64-bit: %zu samples, %ld differ, largest difference %.3g\n",
                fa.size(), floatSame ? "identical" : "not identical", floatDiffer, worstFloat, floatBeyond, da.size(),
                doubleDiffer, worst);
    return floatSame && finite && worst <= tolerance ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--compare") == 0)
        return compare(argv[2], argv[3], argc >= 5 ? std::atof(argv[4]) : 1e-15);
    if (argc == 3) return dump(argv[1], argv[2], false);
    if (argc == 4 && std::strcmp(argv[1], "--random") == 0) return dump(argv[2], argv[3], true);
    std::fprintf(stderr, "usage: %s [--random] PLUGIN OUT.raw | --compare A.raw B.raw [TOLERANCE]\n", argv[0]);
    return 2;
}
