// The PNG and BMP encoders and the all-or-nothing file writer that the exports and the colour
// map files go through.
#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
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

// Both formats keep the print resolution in dots per metre.
uint32_t DotsPerMetre(uint32_t dotsPerInch)
{
    return static_cast<uint32_t>(std::lround(dotsPerInch / 0.0254));
}

// Holds nothing that needs destroying, so that libpng's jump back skips no destructor.
bool WritePngRows(png_structp png, png_infop info, const RgbPicture& picture, const PictureNotes& notes,
                  const ByteSink* sink)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, const_cast<ByteSink*>(sink), PngWriteToSink, PngFlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, pngZlibLevel);
    png_set_compression_buffer_size(png, pngCompressionBufferBytes);
    if (notes.dotsPerInch != 0)
        png_set_pHYs(png, info, DotsPerMetre(notes.dotsPerInch), DotsPerMetre(notes.dotsPerInch),
                     PNG_RESOLUTION_METER);
    // Written with the header, so before the image data: a reader finds it without inflating.
    png_text recipe{};
    if (!notes.recipe.empty()) {
        recipe.compression = PNG_ITXT_COMPRESSION_NONE;
        recipe.key = const_cast<char*>(pngRecipeKeyword);
        recipe.text = const_cast<char*>(notes.recipe.c_str());
        recipe.itxt_length = notes.recipe.size();
        png_set_text(png, info, &recipe, 1);
    }
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

// Why a picture cannot be encoded at all, or empty.
std::string EncodingFault(const RgbPicture& picture)
{
    return IsEncodable(picture) ? std::string() : "the picture has no pixels";
}

constexpr const char* sinkFault = "the bytes could not be written";

std::string EncodePng(const RgbPicture& picture, const ByteSink& sink, const PictureNotes& notes)
{
    if (std::string fault = EncodingFault(picture); !fault.empty())
        return fault;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngIgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool written = info && WritePngRows(png, info, picture, notes, &sink);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return written ? std::string() : sinkFault;
}

std::string EncodeBmp(const RgbPicture& picture, const ByteSink& sink, const PictureNotes& notes)
{
    if (std::string fault = EncodingFault(picture); !fault.empty())
        return fault;
    constexpr uint32_t fileHeaderBytes = 14;
    constexpr uint32_t infoHeaderBytes = 40;
    const std::size_t width = static_cast<std::size_t>(picture.width);
    const std::size_t height = static_cast<std::size_t>(picture.height);
    const std::size_t rowBytes = width * 3;
    const std::size_t paddedRowBytes = (rowBytes + 3) & ~std::size_t{3};
    const std::size_t dataBytes = paddedRowBytes * height;
    if (dataBytes + fileHeaderBytes + infoHeaderBytes > UINT32_MAX)
        return "the picture is too large for a BMP file";

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
    const uint32_t dotsPerMetre = DotsPerMetre(notes.dotsPerInch != 0 ? notes.dotsPerInch : 72);
    PutLittleEndian32(info + 24, dotsPerMetre);
    PutLittleEndian32(info + 28, dotsPerMetre);
    if (!sink(header, sizeof header))
        return sinkFault;

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
            return sinkFault;
    }
    return {};
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

std::string WritePicture(const std::string& path, int32_t format, const RgbPicture& picture,
                         const PictureNotes& notes)
{
    return WriteFileAtomically(path, [&](const ByteSink& sink) {
        return format == 0 ? EncodePng(picture, sink, notes) : EncodeBmp(picture, sink, notes);
    });
}

}  // namespace tessalume
