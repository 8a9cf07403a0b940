#include "decode/archive_reader.h"

#include <bzlib.h>
#include <minizip/unzip.h>
#include <strings.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kChunk = 1 << 16;
constexpr const char *kTooLarge = "too large or malformed";

// Output that grows by chunks up to kDecodeInputMax bytes and no further: an archive that
// claims or unpacks to more is refused before the memory is taken.
struct Sink {
    std::vector<uint8_t> *bytes;
    size_t used = 0;
    // Room for at least one more chunk; false past the bound.
    uint8_t *room(size_t *space) {
        constexpr size_t kLimit = kDecodeInputMax + 1;  // one byte more tells it is too large
        if (used >= kLimit) return nullptr;
        size_t want = std::min(used + kChunk, kLimit);
        // Doubling, but never past the bound and its spare bytes: a vector's own growth
        // would reserve up to twice the bound.
        if (bytes->capacity() < want)
            bytes->reserve(std::min(std::max(want, 2 * bytes->capacity()), kLimit + kLibrarySpare));
        if (bytes->size() < want) bytes->resize(want);
        *space = want - used;
        return bytes->data() + used;
    }
    bool over() const { return used > kDecodeInputMax; }
    void finish() {
        bytes->resize(used);
        bytes->resize(used + kLibrarySpare, 0);
    }
};

UnpackResult fail(UnpackedFile *out, const char *reason) {
    std::snprintf(out->reason, sizeof out->reason, "%s", reason);
    out->bytes.clear();
    return kUnpackFailed;
}

// gzip members one after the other, as gzip itself reads them.
UnpackResult gunzip(const uint8_t *data, size_t size, UnpackedFile *out) {
    z_stream z = {};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return fail(out, "out of memory");
    z.next_in = const_cast<uint8_t *>(data);
    z.avail_in = uInt(size);
    Sink sink{&out->bytes};
    int ret = Z_OK;
    while (ret == Z_OK) {
        size_t space;
        uint8_t *to = sink.room(&space);
        if (!to) break;
        z.next_out = to;
        z.avail_out = uInt(space);
        ret = inflate(&z, Z_NO_FLUSH);
        sink.used += space - z.avail_out;
        if (ret == Z_STREAM_END && z.avail_in > 0) ret = inflateReset(&z);
        if (ret == Z_BUF_ERROR && z.avail_in == 0) break;  // cut short
    }
    const char *reason = ret == Z_STREAM_END ? nullptr : z.msg ? z.msg : "cut short";
    inflateEnd(&z);
    if (sink.over()) return fail(out, kTooLarge);
    if (reason) return fail(out, reason);
    sink.finish();
    return kUnpacked;
}

UnpackResult bunzip(const uint8_t *data, size_t size, UnpackedFile *out) {
    bz_stream b = {};
    if (BZ2_bzDecompressInit(&b, 0, 0) != BZ_OK) return fail(out, "out of memory");
    b.next_in = reinterpret_cast<char *>(const_cast<uint8_t *>(data));
    b.avail_in = unsigned(size);
    Sink sink{&out->bytes};
    int ret = BZ_OK;
    while (ret == BZ_OK) {
        size_t space;
        uint8_t *to = sink.room(&space);
        if (!to) break;
        b.next_out = reinterpret_cast<char *>(to);
        b.avail_out = unsigned(space);
        ret = BZ2_bzDecompress(&b);
        sink.used += space - b.avail_out;
        if (ret == BZ_STREAM_END && b.avail_in > 0) {  // another stream follows
            BZ2_bzDecompressEnd(&b);
            char *next = b.next_in;
            unsigned left = b.avail_in;
            b = {};
            if (BZ2_bzDecompressInit(&b, 0, 0) != BZ_OK) return fail(out, "out of memory");
            b.next_in = next;
            b.avail_in = left;
            ret = BZ_OK;
        }
        if (ret == BZ_OK && b.avail_in == 0 && b.avail_out > 0) break;  // cut short
    }
    BZ2_bzDecompressEnd(&b);
    if (sink.over()) return fail(out, kTooLarge);
    if (ret != BZ_STREAM_END)
        return fail(out, ret == BZ_DATA_ERROR_MAGIC ? "not a bzip2 file" : "damaged or cut short");
    sink.finish();
    return kUnpacked;
}

// minizip reads the archive through these, from memory.
struct Memory {
    const uint8_t *data;
    uint64_t size, at;
};

voidpf memory_open(voidpf opaque, const void *, int) {
    static_cast<Memory *>(opaque)->at = 0;
    return opaque;
}
uLong memory_read(voidpf, voidpf stream, void *buf, uLong size) {
    Memory *m = static_cast<Memory *>(stream);
    uint64_t n = std::min<uint64_t>(size, m->size - m->at);
    std::memcpy(buf, m->data + m->at, size_t(n));
    m->at += n;
    return uLong(n);
}
uLong memory_write(voidpf, voidpf, const void *, uLong) { return 0; }
ZPOS64_T memory_tell(voidpf, voidpf stream) { return static_cast<Memory *>(stream)->at; }
long memory_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    Memory *m = static_cast<Memory *>(stream);
    uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0
                    : origin == ZLIB_FILEFUNC_SEEK_CUR ? m->at
                                                       : m->size;
    if (offset > m->size - base) return -1;
    m->at = base + offset;
    return 0;
}
int memory_close(voidpf, voidpf) { return 0; }
int memory_error(voidpf, voidpf) { return 0; }

// The entry unzip stands on, read whole and checked against its CRC.
UnpackResult read_entry(unzFile zip, UnpackedFile *out) {
    if (unzOpenCurrentFile(zip) != UNZ_OK) return fail(out, "damaged archive");
    Sink sink{&out->bytes};
    int got = 1;
    while (got > 0) {
        size_t space;
        uint8_t *to = sink.room(&space);
        if (!to) break;
        got = unzReadCurrentFile(zip, to, unsigned(space));
        if (got > 0) sink.used += size_t(got);
    }
    int closed = unzCloseCurrentFile(zip);
    if (sink.over()) return fail(out, kTooLarge);
    if (got < 0 || closed != UNZ_OK) return fail(out, "damaged archive");
    sink.finish();
    return kUnpacked;
}

UnpackResult unzip(const uint8_t *data, size_t size, UnpackedFile *out) {
    Memory memory = {data, size, 0};
    zlib_filefunc64_def io = {memory_open,  memory_read,  memory_write, memory_tell,
                              memory_seek,  memory_close, memory_error, &memory};
    unzFile zip = unzOpen2_64("archive", &io);
    if (!zip) return fail(out, "not a zip archive or damaged");
    UnpackResult result = kUnpackedNothing;
    for (int at = unzGoToFirstFile(zip); at == UNZ_OK; at = unzGoToNextFile(zip)) {
        char path[1024];
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, path, sizeof path, nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
            result = fail(out, "damaged archive");
            break;
        }
        const char *name = base_name(path);
        if (!name[0] || !loadable_member(file_kind(name))) continue;
        std::snprintf(out->name, sizeof out->name, "%s", name);
        result = read_entry(zip, out);
        break;
    }
    unzClose(zip);
    return result;
}

}  // namespace

UnpackResult unpack_archive(FileKind kind, const char *name, const uint8_t *data, size_t size,
                            UnpackedFile *out) {
    out->reason[0] = '\0';
    if (kind == kFileZip) return unzip(data, size, out);
    // The name inside is the archive's, less its ending.
    const char *dot = std::strrchr(name, '.');
    size_t length = dot ? size_t(dot - name) : std::strlen(name);
    std::snprintf(out->name, sizeof out->name, "%.*s", int(length), name);
    if (!loadable_member(file_kind(out->name))) return kUnpackedNothing;
    return kind == kFileGzip ? gunzip(data, size, out) : bunzip(data, size, out);
}
