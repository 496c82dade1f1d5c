// The PNG and BMP encoders and the all-or-nothing file writer that the exports and the colour
// map files go through. Both encoders stream a tiled picture a line at a time, so that a picture
// of any size costs a few lines of memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "files/files.h"
#include "files/png_blocks.h"
#include "files/unfinished.h"

namespace tessalume {

namespace {

constexpr const char* sinkFault = "the bytes could not be written";

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

// Both formats keep the print resolution in dots per metre.
uint32_t DotsPerMetre(uint32_t dotsPerInch)
{
    return static_cast<uint32_t>(std::lround(dotsPerInch / 0.0254));
}

bool IsEncodable(const RgbPicture& picture)
{
    return picture.width > 0 && picture.height > 0 &&
           picture.pixels.size() ==
               static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3;
}

bool IsEncodable(const TiledPicture& picture)
{
    return picture.tile != nullptr && IsEncodable(*picture.tile) && picture.width > 0 && picture.height > 0 &&
           picture.firstColumn >= 0 && picture.firstColumn < picture.tile->width && picture.firstLine >= 0 &&
           picture.firstLine < picture.tile->height;
}

// ---- PNG ---------------------------------------------------------------------------------

// Lines are stored unfiltered: a tiled picture repeats itself every period width along a line,
// and deflate finds that (and a quilt's long runs of background) in the raw bytes; no filter,
// up, sub or adaptive, does better on these pictures.
constexpr int pngZlibLevel = 6;
// A picture's lines repeat every tile height. They are deflated in blocks of about
// pngBlocking.blockBytes, each ending on a full flush, after which the compressor remembers
// nothing: a block's bytes then decode the same wherever they stand, and those of the first
// period are written again for every further one, up to pngBlocking.keptBytes of them; blocks
// beyond are deflated again.
// The image data goes out in chunks of this size.
constexpr std::size_t pngChunkBytes = std::size_t{1} << 20;

bool WriteChunk(const ByteSink& sink, const char* type, const uint8_t* data, std::size_t size)
{
    uint8_t head[8];
    PutBigEndian32(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(crc32(0, nullptr, 0), head + 4, 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    uint8_t tail[4];
    PutBigEndian32(tail, static_cast<uint32_t>(crc));
    return sink(head, sizeof head) && (size == 0 || sink(data, size)) && sink(tail, sizeof tail);
}

// The zlib stream, gathered into IDAT chunks.
class ImageData {
public:
    explicit ImageData(const ByteSink& sink) : sink(sink) { buffer.reserve(pngChunkBytes); }
    bool Put(const uint8_t* data, std::size_t size)
    {
        while (size > 0) {
            const std::size_t taken = std::min(size, pngChunkBytes - buffer.size());
            buffer.insert(buffer.end(), data, data + taken);
            data += taken;
            size -= taken;
            if (buffer.size() == pngChunkBytes && !Flush()) return false;
        }
        return true;
    }
    bool Flush()
    {
        const bool written = buffer.empty() || WriteChunk(sink, "IDAT", buffer.data(), buffer.size());
        buffer.clear();
        return written;
    }

private:
    const ByteSink& sink;
    std::vector<uint8_t> buffer;
};

// Raw deflate: the zlib header and checksum are the encoder's, so that blocks can be repeated.
class Deflater {
public:
    Deflater() { ready = deflateInit2(&stream, pngZlibLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Deflater()
    {
        if (ready) deflateEnd(&stream);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Deflates the bytes onto out; with Z_FULL_FLUSH or Z_FINISH everything comes out.
    void Compress(const uint8_t* data, std::size_t size, int flush, std::vector<uint8_t>& out)
    {
        uint8_t produced[1 << 16];
        stream.next_in = const_cast<Bytef*>(data);
        stream.avail_in = static_cast<uInt>(size);
        do {
            stream.next_out = produced;
            stream.avail_out = sizeof produced;
            deflate(&stream, flush);
            out.insert(out.end(), produced, produced + (sizeof produced - stream.avail_out));
        } while (stream.avail_out == 0);
    }

    bool ready = false;

private:
    z_stream stream{};
};

// Signature, header, print resolution and recipe: everything before the image data.
bool WritePngHead(const TiledPicture& picture, const PictureNotes& notes, const ByteSink& sink)
{
    static constexpr uint8_t signature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
    uint8_t header[13] = {};
    PutBigEndian32(header, static_cast<uint32_t>(picture.width));
    PutBigEndian32(header + 4, static_cast<uint32_t>(picture.height));
    header[8] = 8;  // bits per channel
    header[9] = 2;  // RGB; no compression method, filter method or interlace but the first
    if (!sink(signature, sizeof signature) || !WriteChunk(sink, "IHDR", header, sizeof header)) return false;
    if (notes.dotsPerInch != 0) {
        uint8_t physical[9] = {};
        PutBigEndian32(physical, DotsPerMetre(notes.dotsPerInch));
        PutBigEndian32(physical + 4, DotsPerMetre(notes.dotsPerInch));
        physical[8] = 1;  // per metre
        if (!WriteChunk(sink, "pHYs", physical, sizeof physical)) return false;
    }
    if (notes.recipe.empty()) return true;
    // Keyword, no compression, no language, no translated keyword, the text: a reader finds it
    // without inflating anything.
    std::string text = std::string(pngRecipeKeyword) + std::string(5, '\0') + notes.recipe;
    return WriteChunk(sink, "iTXt", reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The lines from first to last, each behind its filter byte (none), deflated and ended on a
// full flush; their checksum.
uint32_t DeflateLines(const TiledPicture& picture, int64_t first, int64_t last, Deflater& deflater,
                      std::vector<uint8_t>& line, std::vector<uint8_t>& out)
{
    uLong checksum = adler32(0, nullptr, 0);
    for (int64_t y = first; y < last; ++y) {
        CopyPictureLine(picture, static_cast<int32_t>(y), line.data() + 1);
        checksum = adler32(checksum, line.data(), static_cast<uInt>(line.size()));
        deflater.Compress(line.data(), line.size(), Z_NO_FLUSH, out);
    }
    deflater.Compress(nullptr, 0, Z_FULL_FLUSH, out);
    return static_cast<uint32_t>(checksum);
}

struct KeptBlock {
    std::vector<uint8_t> bytes;
    uint32_t checksum = 0;
    bool kept = false;
};

// The period's blocks in order, then the same blocks again for each further period (deflated
// again only when not kept), the lines short of a whole period last.
bool WritePngImageData(const TiledPicture& picture, ImageData& data, const LineProgress& progress,
                       const PngBlocking& blocking)
{
    Deflater deflater;
    if (!deflater.ready) return false;
    const int64_t height = picture.height, period = picture.tile->height;
    std::vector<uint8_t> line(static_cast<std::size_t>(picture.width) * 3 + 1, 0);
    const int64_t blockLines = std::clamp<int64_t>(static_cast<int64_t>(blocking.blockBytes / line.size()), 1, period);
    std::vector<KeptBlock> kept(static_cast<std::size_t>((period + blockLines - 1) / blockLines));
    std::size_t keptBytes = 0;
    std::vector<uint8_t> block;

    static constexpr uint8_t zlibHeader[2] = {0x78, 0x9c};  // deflate, 32 KiB window, default level
    if (!data.Put(zlibHeader, sizeof zlibHeader)) return false;
    uLong checksum = adler32(0, nullptr, 0);
    for (int64_t periodStart = 0; periodStart < height; periodStart += period)
        for (int64_t first = 0; first < period && periodStart + first < height; first += blockLines) {
            const int64_t last = std::min(first + blockLines, period);
            const int64_t end = std::min(periodStart + last, height);
            const std::size_t bytes = static_cast<std::size_t>(end - periodStart - first) * line.size();
            KeptBlock& keeper = kept[static_cast<std::size_t>(first / blockLines)];
            if (keeper.kept && periodStart + last <= height) {
                if (!data.Put(keeper.bytes.data(), keeper.bytes.size())) return false;
                checksum = adler32_combine(checksum, keeper.checksum, static_cast<z_off_t>(bytes));
            } else {
                block.clear();
                const uint32_t blockChecksum = DeflateLines(picture, periodStart + first, end, deflater, line, block);
                if (!data.Put(block.data(), block.size())) return false;
                checksum = adler32_combine(checksum, blockChecksum, static_cast<z_off_t>(bytes));
                // Kept only when whole and met whole again.
                if (periodStart + period + last <= height && keptBytes + block.size() <= blocking.keptBytes) {
                    keeper = {block, blockChecksum, true};
                    keptBytes += block.size();
                }
            }
            if (progress) progress(static_cast<int32_t>(end));
        }
    block.clear();
    deflater.Compress(nullptr, 0, Z_FINISH, block);
    uint8_t trailer[4];
    PutBigEndian32(trailer, static_cast<uint32_t>(checksum));
    return data.Put(block.data(), block.size()) && data.Put(trailer, sizeof trailer) && data.Flush();
}

// Why a picture cannot be encoded at all, or empty.
template <typename Picture>
std::string EncodingFault(const Picture& picture)
{
    return IsEncodable(picture) ? std::string() : "the picture has no pixels";
}

}  // namespace

std::string EncodePng(const TiledPicture& picture, const ByteSink& sink, const PictureNotes& notes,
                      const LineProgress& progress, const PngBlocking& blocking)
{
    if (std::string fault = EncodingFault(picture); !fault.empty())
        return fault;
    ImageData data(sink);
    const bool written = WritePngHead(picture, notes, sink) &&
                         WritePngImageData(picture, data, progress, blocking) && WriteChunk(sink, "IEND", nullptr, 0);
    return written ? std::string() : sinkFault;
}

std::string EncodePng(const TiledPicture& picture, const ByteSink& sink, const PictureNotes& notes,
                      const LineProgress& progress)
{
    return EncodePng(picture, sink, notes, progress, pngBlocking);
}

std::string EncodePng(const RgbPicture& picture, const ByteSink& sink, const PictureNotes& notes)
{
    if (std::string fault = EncodingFault(picture); !fault.empty())
        return fault;
    return EncodePng(WholePicture(picture), sink, notes);
}

// ---- BMP ---------------------------------------------------------------------------------

namespace {
constexpr uint32_t bmpFileHeaderBytes = 14;
constexpr uint32_t bmpInfoHeaderBytes = 40;

std::size_t BmpRowBytes(int32_t width)
{
    return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}
}  // namespace

std::string PictureSizeFault(int32_t format, int32_t width, int32_t height)
{
    if (format != bmpFormat || width < 1 || height < 1) return {};
    const std::size_t fileBytes =
        BmpRowBytes(width) * static_cast<std::size_t>(height) + bmpFileHeaderBytes + bmpInfoHeaderBytes;
    return fileBytes > UINT32_MAX ? "the picture is too large for a BMP file (at most 4 GiB)" : "";
}

std::string EncodeBmp(const TiledPicture& picture, const ByteSink& sink, const PictureNotes& notes,
                      const LineProgress& progress)
{
    if (std::string fault = EncodingFault(picture); !fault.empty())
        return fault;
    if (std::string fault = PictureSizeFault(bmpFormat, picture.width, picture.height); !fault.empty())
        return fault;
    const std::size_t width = static_cast<std::size_t>(picture.width);
    const std::size_t height = static_cast<std::size_t>(picture.height);
    const std::size_t paddedRowBytes = BmpRowBytes(picture.width);
    const std::size_t dataBytes = paddedRowBytes * height;

    uint8_t header[bmpFileHeaderBytes + bmpInfoHeaderBytes] = {};
    header[0] = 'B';
    header[1] = 'M';
    PutLittleEndian32(header + 2, static_cast<uint32_t>(dataBytes + sizeof header));
    PutLittleEndian32(header + 10, sizeof header);  // offset of the pixels
    uint8_t* info = header + bmpFileHeaderBytes;
    PutLittleEndian32(info, bmpInfoHeaderBytes);
    PutLittleEndian32(info + 4, static_cast<uint32_t>(width));
    PutLittleEndian32(info + 8, static_cast<uint32_t>(height));  // positive: rows bottom-up
    PutLittleEndian16(info + 12, 1);                             // planes
    PutLittleEndian16(info + 14, 24);                            // bits per pixel
    PutLittleEndian32(info + 16, 0);                             // no compression
    PutLittleEndian32(info + 20, static_cast<uint32_t>(dataBytes));
    const uint32_t dotsPerMetre = DotsPerMetre(notes.dotsPerInch != 0 ? notes.dotsPerInch : 72);
    PutLittleEndian32(info + 24, dotsPerMetre);
    PutLittleEndian32(info + 28, dotsPerMetre);
    if (!sink(header, sizeof header))
        return sinkFault;

    std::vector<uint8_t> line(paddedRowBytes, 0);  // padding bytes stay zero
    // The last picture line goes first; each line is swapped to blue, green, red in place.
    for (std::size_t y = height; y-- > 0;) {
        CopyPictureLine(picture, static_cast<int32_t>(y), line.data());
        for (std::size_t i = 0; i < width * 3; i += 3) std::swap(line[i], line[i + 2]);
        if (!sink(line.data(), line.size()))
            return sinkFault;
        if (progress) progress(static_cast<int32_t>(height - y));
    }
    return {};
}

std::string EncodeBmp(const RgbPicture& picture, const ByteSink& sink, const PictureNotes& notes)
{
    if (std::string fault = EncodingFault(picture); !fault.empty())
        return fault;
    return EncodeBmp(WholePicture(picture), sink, notes);
}

std::string WriteFileAtomically(const std::string& path, const FileWriter& write)
{
    if (path.empty() || path.size() > maxPathLength || path.back() == '/')
        return "not a file name that can be written";
    // The rename would replace a pipe or a device node named as the file with a regular file.
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        return "not a regular file";

    RemoveAbandonedUnfinishedFiles(path);
    // Created by us alone (O_EXCL), with the ordinary permissions the umask allows.
    std::string temporaryPath;
    int descriptor = -1;
    for (unsigned attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporaryPath = UnfinishedPathBeside(path, attempt);
        descriptor = CreateUnfinishedFile(temporaryPath);
        if (descriptor < 0 && errno != EEXIST)
            return std::strerror(errno);
    }
    if (descriptor < 0)
        return std::strerror(EEXIST);
    std::FILE* file = fdopen(descriptor, "wb");
    if (!file) {
        const int error = errno;
        close(descriptor);
        RemoveUnfinishedFile(temporaryPath);
        return std::strerror(error);
    }

    // The system's reason for the first write that failed, to say rather than the writer's.
    int writeError = 0;
    const ByteSink sink = [file, &writeError](const uint8_t* data, std::size_t size) {
        if (std::fwrite(data, 1, size, file) == size) return true;
        if (writeError == 0) writeError = errno;
        return false;
    };
    std::string fault = write(sink);
    if (fault.empty() && (std::fflush(file) != 0 || fsync(fileno(file)) != 0)) writeError = errno;
    if (std::fclose(file) != 0 && writeError == 0) writeError = errno;
    if (writeError != 0) fault = std::strerror(writeError);
    if (fault.empty() && !RenameUnfinishedFile(temporaryPath, path)) fault = std::strerror(errno);
    if (!fault.empty())
        RemoveUnfinishedFile(temporaryPath);
    return fault;
}

std::string WritePicture(const std::string& path, int32_t format, const TiledPicture& picture,
                         const PictureNotes& notes, const LineProgress& progress)
{
    return WriteFileAtomically(path, [&](const ByteSink& sink) {
        return format == pngFormat ? EncodePng(picture, sink, notes, progress)
                                   : EncodeBmp(picture, sink, notes, progress);
    });
}

std::string WritePicture(const std::string& path, int32_t format, const RgbPicture& picture,
                         const PictureNotes& notes)
{
    if (std::string fault = EncodingFault(picture); !fault.empty())
        return fault;
    return WritePicture(path, format, WholePicture(picture), notes);
}

}  // namespace tessalume
