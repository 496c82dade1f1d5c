// The PNG and BMP encoders and the all-or-nothing file writer that the exports and the colour
// map files go through.
#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/files.h"
#include "files/unfinished.h"

namespace tessalume {

namespace {

// ---- PNG ---------------------------------------------------------------------------------

// Every row is stored unfiltered and deflated at zlib's level 2. An exported picture is the
// period repeated, so each row repeats itself every period width, and a quilt's background
// runs long: deflate finds both in the raw bytes. On an 8192 x 8192 quilt this gives 1.15 times
// the size of libpng's adaptive filter choice in less than a fifth of its time.
constexpr int pngZlibLevel = 2;
// Bytes that zlib gathers before each IDAT chunk goes to the sink.
constexpr std::size_t pngCompressionBufferBytes = std::size_t{1} << 20;

// libpng reports errors by jumping back to the setjmp in WritePngRows; nothing is printed.
[[noreturn]] void PngFail(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void PngIgnoreWarning(png_structp, png_const_charp) {}

void PngWriteToSink(png_structp png, png_bytep data, png_size_t size)
{
    const ByteSink& sink = *static_cast<const ByteSink*>(png_get_io_ptr(png));
    const bool taken = sink(data, size);
    if (!taken)
        PngFail(png, nullptr);
}

void PngFlushNothing(png_structp) {}

// Holds nothing that needs destroying, so that libpng's jump back skips no destructor.
bool WritePngRows(png_structp png, png_infop info, const RgbPicture& picture, const ByteSink* sink)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, const_cast<ByteSink*>(sink), PngWriteToSink, PngFlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, pngZlibLevel);
    png_set_compression_buffer_size(png, pngCompressionBufferBytes);
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 3;
    const uint8_t* row = picture.pixels.data();
    for (int32_t y = 0; y < picture.height; ++y, row += rowBytes)
        png_write_row(png, row);
    png_write_end(png, nullptr);
    return true;
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

bool IsEncodable(const RgbPicture& picture)
{
    return picture.width > 0 && picture.height > 0 &&
           picture.pixels.size() ==
               static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3;
}

}  // namespace

bool EncodePng(const RgbPicture& picture, const ByteSink& sink)
{
    if (!IsEncodable(picture))
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngIgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool written = info && WritePngRows(png, info, picture, &sink);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return written;
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
    // The rename would replace a pipe or a device node named as the file with a regular file.
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        return false;

    RemoveAbandonedUnfinishedFiles(path);
    // Created by us alone (O_EXCL), with the ordinary permissions the umask allows.
    std::string temporaryPath;
    int descriptor = -1;
    for (unsigned attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporaryPath = UnfinishedPathBeside(path, attempt);
        descriptor = CreateUnfinishedFile(temporaryPath);
        if (descriptor < 0 && errno != EEXIST)
            return false;
    }
    if (descriptor < 0)
        return false;
    std::FILE* file = fdopen(descriptor, "wb");
    if (!file) {
        close(descriptor);
        RemoveUnfinishedFile(temporaryPath);
        return false;
    }

    const ByteSink sink = [file](const uint8_t* data, std::size_t size) {
        return std::fwrite(data, 1, size, file) == size;
    };
    bool ok = write(sink);
    ok = ok && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    ok = (std::fclose(file) == 0) && ok;
    ok = ok && RenameUnfinishedFile(temporaryPath, path);
    if (!ok)
        RemoveUnfinishedFile(temporaryPath);
    return ok;
}

bool WritePicture(const std::string& path, int32_t format, const RgbPicture& picture)
{
    return WriteFileAtomically(path, [&](const ByteSink& sink) {
        return format == 0 ? EncodePng(picture, sink) : EncodeBmp(picture, sink);
    });
}

}  // namespace tessalume
