// Build-time generator: writes a file's bytes as a C array.
//   embed_file INPUT OUTPUT SYMBOL
// gives `extern const unsigned char SYMBOL[]; extern const unsigned SYMBOL_size;`.
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: embed_file INPUT OUTPUT SYMBOL\n");
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (!in) {
        std::fprintf(stderr, "embed_file: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<unsigned char> data;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) data.insert(data.end(), buf, buf + n);
    std::fclose(in);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::fprintf(stderr, "embed_file: cannot write %s\n", argv[2]);
        return 1;
    }
    std::fprintf(out, "// Generated from %s; do not edit.\n", argv[1]);
    std::fprintf(out, "extern const unsigned char %s[];\nextern const unsigned %s_size;\n", argv[3], argv[3]);
    std::fprintf(out, "const unsigned %s_size = %zuu;\nalignas(16) const unsigned char %s[] = {", argv[3],
                 data.size(), argv[3]);
    for (size_t i = 0; i < data.size(); ++i)
        std::fprintf(out, "%s%u,", (i % 24) ? "" : "\n", data[i]);
    std::fprintf(out, "0};\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
