// The PNG and BMP encoders and the all-or-nothing file writer that the exports and the colour
// map files go through.
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "files/files.h"

namespace tessalume {

namespace {

// ---- PNG ---------------------------------------------------------------------------------

// Every row takes the "Up" filter: a quilt's rows are smooth continuations of one another, so
// the differences compress almost as well as with a per-row adaptive choice, at a fraction of
// the cost. The whole filtered picture is deflated in one call at a fast level.
constexpr uint8_t pngRowFilterUp = 2;
constexpr int pngDeflateLevel = 2;
// IDAT chunks are cut at this size; any size below 2^31 is valid, smaller ones only cost headers.
constexpr std::size_t pngIdatChunkBytes = std::size_t{1} << 20;
constexpr uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

void PutBigEndian32(uint8_t* out, uint32_t value)
{
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

void PutLittleEndian32(uint8_t* out, uint32_t value)
{
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

void PutLittleEndian16(uint8_t* out, uint16_t value)
{
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

bool WritePngChunk(const ByteSink& sink, const char type[4], const uint8_t* data, std::size_t size)
{
    uint8_t header[8];
    PutBigEndian32(header, static_cast<uint32_t>(size));
    std::memcpy(header + 4, type, 4);
    uint32_t crc = libdeflate_crc32(0, header + 4, 4);
    crc = libdeflate_crc32(crc, data, size);
    uint8_t trailer[4];
    PutBigEndian32(trailer, crc);
    return sink(header, sizeof header) && (size == 0 || sink(data, size)) && sink(trailer, sizeof trailer);
}

bool IsEncodable(const RgbPicture& picture)
{
    return picture.width > 0 && picture.height > 0 &&
           picture.pixels.size() ==
               static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3;
}

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// ---- Files -------------------------------------------------------------------------------

// Unique among the threads of this process by the counter, among processes by the pid, and
// among runs reusing a pid by the clock.
std::string TemporaryPathBeside(const std::string& path, unsigned attempt)
{
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    // A short prefix of the name keeps the temporary within the file system's name limit.
    const std::string name = (slash == std::string::npos ? path : path.substr(slash + 1)).substr(0, 64);
    const auto ticks = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[80];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u-%u-%llx", static_cast<long>(getpid()),
                  counter.fetch_add(1), attempt, ticks);
    return folder + "." + name + suffix;
}

}  // namespace

bool EncodePng(const RgbPicture& picture, const ByteSink& sink)
{
    if (!IsEncodable(picture))
        return false;
    const std::size_t width = static_cast<std::size_t>(picture.width);
    const std::size_t height = static_cast<std::size_t>(picture.height);
    const std::size_t rowBytes = width * 3;
    const std::size_t filteredRowBytes = rowBytes + 1;

    // Left uninitialised: every byte is written below, and zeroing first would touch 200 MB of
    // fresh pages twice for the largest pictures.
    const std::size_t filteredBytes = filteredRowBytes * height;
    std::unique_ptr<uint8_t[]> filtered = std::make_unique_for_overwrite<uint8_t[]>(filteredBytes);
    const uint8_t* pixels = picture.pixels.data();
    // Row 0 has no row above; Up against zeros is the row itself.
    filtered[0] = pngRowFilterUp;
    std::memcpy(filtered.get() + 1, pixels, rowBytes);
    // Plain byte differences with no dependence between iterations, so the compiler vectorises
    // the inner loop; this is the only pass over the picture before deflate.
    for (std::size_t y = 1; y < height; ++y) {
        const uint8_t* row = pixels + y * rowBytes;
        const uint8_t* above = row - rowBytes;
        uint8_t* out = filtered.get() + y * filteredRowBytes;
        out[0] = pngRowFilterUp;
        for (std::size_t i = 0; i < rowBytes; ++i)
            out[i + 1] = static_cast<uint8_t>(row[i] - above[i]);
    }

    std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(pngDeflateLevel));
    if (!compressor)
        return false;
    // Only the pages the compressed stream reaches are ever touched.
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), filteredBytes);
    std::unique_ptr<uint8_t[]> compressed = std::make_unique_for_overwrite<uint8_t[]>(bound);
    const std::size_t compressedSize =
        libdeflate_zlib_compress(compressor.get(), filtered.get(), filteredBytes, compressed.get(), bound);
    filtered.reset();  // give the memory back before the writing starts
    if (compressedSize == 0)
        return false;

    uint8_t header[13];
    PutBigEndian32(header, static_cast<uint32_t>(width));
    PutBigEndian32(header + 4, static_cast<uint32_t>(height));
    header[8] = 8;   // bits per channel
    header[9] = 2;   // colour type: RGB, no alpha
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filtering with the five basic filters
    header[12] = 0;  // no interlace
    if (!sink(pngSignature, sizeof pngSignature) || !WritePngChunk(sink, "IHDR", header, sizeof header))
        return false;
    for (std::size_t done = 0; done < compressedSize; done += pngIdatChunkBytes) {
        const std::size_t size = std::min(pngIdatChunkBytes, compressedSize - done);
        if (!WritePngChunk(sink, "IDAT", compressed.get() + done, size))
            return false;
    }
    return WritePngChunk(sink, "IEND", nullptr, 0);
}

bool EncodeBmp(const RgbPicture& picture, const ByteSink& sink)
{
    if (!IsEncodable(picture))
        return false;
    constexpr uint32_t fileHeaderBytes = 14;
    constexpr uint32_t infoHeaderBytes = 40;
    const std::size_t width = static_cast<std::size_t>(picture.width);
    const std::size_t height = static_cast<std::size_t>(picture.height);
    const std::size_t rowBytes = width * 3;
    const std::size_t paddedRowBytes = (rowBytes + 3) & ~std::size_t{3};
    const std::size_t dataBytes = paddedRowBytes * height;
    if (dataBytes + fileHeaderBytes + infoHeaderBytes > UINT32_MAX)
        return false;

    uint8_t header[fileHeaderBytes + infoHeaderBytes] = {};
    header[0] = 'B';
    header[1] = 'M';
    PutLittleEndian32(header + 2, static_cast<uint32_t>(dataBytes + sizeof header));
    PutLittleEndian32(header + 10, sizeof header);  // offset of the pixels
    uint8_t* info = header + fileHeaderBytes;
    PutLittleEndian32(info, infoHeaderBytes);
    PutLittleEndian32(info + 4, static_cast<uint32_t>(width));
    PutLittleEndian32(info + 8, static_cast<uint32_t>(height));  // positive: rows bottom-up
    PutLittleEndian16(info + 12, 1);                             // planes
    PutLittleEndian16(info + 14, 24);                            // bits per pixel
    PutLittleEndian32(info + 16, 0);                             // no compression
    PutLittleEndian32(info + 20, static_cast<uint32_t>(dataBytes));
    PutLittleEndian32(info + 24, 2835);  // 72 dots per inch, in dots per metre
    PutLittleEndian32(info + 28, 2835);
    if (!sink(header, sizeof header))
        return false;

    std::vector<uint8_t> line(paddedRowBytes, 0);  // padding bytes stay zero
    // The last picture line goes first; each line is swapped to blue, green, red in one buffer.
    for (std::size_t y = height; y-- > 0;) {
        const uint8_t* source = picture.pixels.data() + y * rowBytes;
        for (std::size_t i = 0; i < rowBytes; i += 3) {
            line[i] = source[i + 2];
            line[i + 1] = source[i + 1];
            line[i + 2] = source[i];
        }
        if (!sink(line.data(), line.size()))
            return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(const ByteSink&)>& write)
{
    if (path.empty() || path.size() > maxPathLength || path.back() == '/')
        return false;

    // Created by us alone (O_EXCL), with the ordinary permissions the umask allows.
    std::string temporaryPath;
    int descriptor = -1;
    for (unsigned attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporaryPath = TemporaryPathBeside(path, attempt);
        descriptor = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            return false;
    }
    if (descriptor < 0)
        return false;
    std::FILE* file = fdopen(descriptor, "wb");
    if (!file) {
        close(descriptor);
        unlink(temporaryPath.c_str());
        return false;
    }

    const ByteSink sink = [file](const uint8_t* data, std::size_t size) {
        return std::fwrite(data, 1, size, file) == size;
    };
    bool ok = write(sink);
    ok = ok && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    ok = (std::fclose(file) == 0) && ok;
    ok = ok && std::rename(temporaryPath.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(temporaryPath.c_str());
    return ok;
}

bool WritePicture(const std::string& path, int32_t format, const RgbPicture& picture)
{
    return WriteFileAtomically(path, [&](const ByteSink& sink) {
        return format == 0 ? EncodePng(picture, sink) : EncodeBmp(picture, sink);
    });
}

}  // namespace tessalume
