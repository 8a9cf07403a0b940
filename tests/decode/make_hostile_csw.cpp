// Writes CSW version 2 files that the tools at hand would never write:
//   bomb <out> <mebibytes>  a Z-RLE file whose pulses unpack to that many MiB
//   short <out>             a Z-RLE file whose compressed data ends early
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The 52-byte header: signature, version 2.0, 44,100 Hz, the pulse count, Z-RLE, no flags,
// no extension, the writing program's name.
std::string header(uint32_t pulses) {
    std::string h = "Compressed Square Wave\x1a";
    h += char(2), h += char(0);
    for (uint32_t v : {44100u, pulses})
        for (int k = 0; k < 4; k++) h += char(v >> (8 * k));
    h += char(2), h += char(0), h += char(0);
    h += std::string("make_hostile_csw").substr(0, 16);
    h.resize(0x34, '\0');
    return h;
}

// size bytes of 16-sample pulses, deflated.
std::string deflated(size_t size) {
    z_stream z = {};
    deflateInit(&z, 9);
    std::vector<unsigned char> in(1 << 20, 16), out(1 << 16);
    std::string result;
    for (size_t left = size; left > 0 || z.avail_in > 0;) {
        if (z.avail_in == 0 && left > 0) {
            size_t n = left < in.size() ? left : in.size();
            z.next_in = in.data();
            z.avail_in = uInt(n);
            left -= n;
        }
        int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            result.append(reinterpret_cast<char *>(out.data()), out.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return result;
}

}  // namespace

int main(int argc, char **argv) {
    std::string file;
    if (argc == 4 && std::strcmp(argv[1], "bomb") == 0) {
        size_t size = size_t(std::atoi(argv[3])) << 20;
        file = header(uint32_t(size)) + deflated(size);
    } else if (argc == 3 && std::strcmp(argv[1], "short") == 0) {
        std::string data = deflated(20000);
        file = header(20000) + data.substr(0, data.size() / 2);
    } else {
        std::fprintf(stderr, "usage: %s bomb <out> <MiB> | short <out>\n", argv[0]);
        return 2;
    }
    FILE *f = std::fopen(argv[2], "wb");
    bool ok = f && std::fwrite(file.data(), 1, file.size(), f) == file.size();
    if (f) ok = std::fclose(f) == 0 && ok;
    return ok ? 0 : 1;
}
