// The font sheet: font set 0, segmented capitals drawn here, and font set 1, DejaVu Sans
// rasterised with FreeType. A glyph is shown at half the cell size with an advance of a
// quarter cell, so every glyph keeps to the middle 16 columns of its 32-pixel cell.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/artwork/artwork.h"

namespace tessalume::artwork {

namespace {

constexpr int cell = 32;
using Mask = std::array<double, cell * cell>;  // coverage 0..1, rows from the top

const Color white{1, 1, 1};

// Windows-1252 codes 128..159 as Unicode; 0 where the code page leaves a code undefined.
constexpr char32_t windows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char32_t UnicodeOf(int code)
{
    if (code >= 128 && code < 160) return windows1252High[code - 128];
    return code == 127 ? 0 : static_cast<char32_t>(code);
}

// A mask filled from a signed distance function of the pixel centre.
template <typename Distance>
Mask MaskOf(Distance distance)
{
    Mask mask{};
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x) mask[y * cell + x] = Coverage(distance(x + 0.5, y + 0.5));
    return mask;
}

// ---- Special glyphs, shared by both sets --------------------------------------------------

Mask Triangle(bool pointingRight, bool hollow)
{
    const double l = 10, r = 22, t = 8, b = 24, m = 16;
    const double left[3][2] = {{l, m}, {r, t}, {r, b}};
    const double right[3][2] = {{r, m}, {l, t}, {l, b}};
    return MaskOf([&](double x, double y) {
        const double d = ConvexPolygonDistance(x, y, pointingRight ? right : left, 3);
        return hollow ? std::fabs(d + 1.1) - 1.1 : d;
    });
}

// "[ ]": the frame of an empty box, opened at the sides.
Mask FacingBrackets()
{
    return MaskOf([](double x, double y) {
        double d = 1e9;
        for (double side : {-1.0, 1.0}) {
            const double stemX = 16 + side * 6.5, tipX = 16 + side * 3;
            const double inner = std::min(stemX, tipX) - 1.1, outer = std::max(stemX, tipX) + 1.1;
            const double stem = BoxDistance(x, y, stemX - 1.1, 7, stemX + 1.1, 25);
            const double top = BoxDistance(x, y, inner, 7, outer, 9.2);
            const double bottom = BoxDistance(x, y, inner, 22.8, outer, 25);
            d = std::min({d, stem, top, bottom});
        }
        return d;
    });
}

// A red padlock: a shackle over a body with a dark keyhole.
Canvas Padlock()
{
    Canvas lock(cell, cell);
    const double bodyTop = 15, bodyBottom = 26, bodyLeft = 10, bodyRight = 22;
    const Color shackleColor{0.78, 0.22, 0.18}, bodyLit{0.95, 0.16, 0.10}, bodyShaded{0.55, 0.03, 0.02};
    for (int y = 0; y < cell; ++y) {
        for (int x = 0; x < cell; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            // Shackle: the upper half of a ring about (16, 14.5), continued straight down into
            // the body.
            const double ring = std::fabs(std::hypot(px - 16, std::min(py, 14.5) - 14.5) - 4.2) - 1.1;
            const double shackle = py > bodyTop + 1 ? 1e9 : ring;
            const double body = BoxDistance(px, py, bodyLeft, bodyTop, bodyRight, bodyBottom);
            const double keyhole =
                std::min(std::hypot(px - 16, py - 19.5) - 1.6, BoxDistance(px, py, 15.2, 20, 16.8, 24));
            const Color bodyColor = Mixed(bodyLit, bodyShaded, (py - bodyTop) / (bodyBottom - bodyTop));
            const Color c = Scaled(shackleColor, Coverage(shackle));
            lock.At(x, y) = Mixed(c, Scaled(bodyColor, 1 - Coverage(keyhole)), Coverage(body));
        }
    }
    return lock;
}

// ---- Font set 0: a sixteen-segment display --------------------------------------------------

// Segments between the nine points of a 3 x 3 grid (left/centre/right x top/middle/bottom):
//   a b     top halves          c d  right upper, lower      e f  bottom halves (right, left)
//   g h     left lower, upper   k l  middle halves           m n  centre upper, lower
//   p q r s diagonals from the top-left, top-right, bottom-left and bottom-right corners to
//           the centre
struct Segment {
    char name;
    int from[2], to[2];  // grid columns 0..2 and rows 0..2
};
constexpr Segment segments[] = {
    {'a', {0, 0}, {1, 0}}, {'b', {1, 0}, {2, 0}}, {'c', {2, 0}, {2, 1}}, {'d', {2, 1}, {2, 2}},
    {'e', {2, 2}, {1, 2}}, {'f', {1, 2}, {0, 2}}, {'g', {0, 2}, {0, 1}}, {'h', {0, 1}, {0, 0}},
    {'k', {0, 1}, {1, 1}}, {'l', {1, 1}, {2, 1}}, {'m', {1, 0}, {1, 1}}, {'n', {1, 1}, {1, 2}},
    {'p', {0, 0}, {1, 1}}, {'q', {2, 0}, {1, 1}}, {'r', {0, 2}, {1, 1}}, {'s', {2, 2}, {1, 1}},
};

// Lit segments of each character; '.', ',', ':' and ';' in a pattern add the dots and tails
// of punctuation.
struct SegmentGlyph {
    char character;
    const char* lit;
};
constexpr SegmentGlyph segmentGlyphs[] = {
    {'0', "abcdefghqr"}, {'1', "qcd"},      {'2', "abcklgef"},  {'3', "abcdefl"},   {'4', "hklcd"},
    {'5', "abhkldef"},   {'6', "abhgkldef"}, {'7', "abcd"},     {'8', "abcdefghkl"}, {'9', "abcdefhkl"},
    {'A', "abcdghkl"},   {'B', "abcdefmnl"}, {'C', "abghef"},   {'D', "abcdefmn"},  {'E', "abghefk"},
    {'F', "abghk"},      {'G', "abghefdl"},  {'H', "cdghkl"},   {'I', "abefmn"},    {'J', "cdefg"},
    {'K', "ghkqs"},      {'L', "ghef"},      {'M', "ghcdpq"},   {'N', "ghcdps"},    {'O', "abcdefgh"},
    {'P', "abchgkl"},    {'Q', "abcdefghs"}, {'R', "abchgkls"}, {'S', "abhkldef"},  {'T', "abmn"},
    {'U', "cdefgh"},     {'V', "ghrq"},      {'W', "ghcdrs"},   {'X', "pqrs"},      {'Y', "pqn"},
    {'Z', "abqref"},     {'!', "m."},        {'"', "hm"},       {'%', "ahqrde"},    {'&', "apsefgk"},
    {'\'', "m"},         {'(', "qs"},        {')', "pr"},       {'*', "klmnpqrs"},  {'+', "klmn"},
    {',', ","},          {'-', "kl"},        {'.', "."},        {'/', "qr"},        {':', ":"},
    {';', ";"},          {'<', "qs"},        {'=', "klef"},     {'>', "pr"},        {'?', "abcln"},
    {'@', "abcdefghlm"}, {'[', "bmne"},      {'\\', "ps"},      {']', "amnf"},      {'^', "rs"},
    {'_', "ef"},         {'`', "p"},         {'{', "bmnek"},    {'|', "mn"},        {'}', "amnfl"},
    {'~', "hklc"},
};

// Windows-1252 additions that read as segments; the other defined ones show an empty box.
constexpr SegmentGlyph segmentGlyphsHigh[] = {
    {static_cast<char>(130), ","}, {static_cast<char>(132), ","}, {static_cast<char>(133), "."},
    {static_cast<char>(139), "q"}, {static_cast<char>(145), "m"}, {static_cast<char>(146), "m"},
    {static_cast<char>(147), "hm"}, {static_cast<char>(148), "hm"}, {static_cast<char>(150), "kl"},
    {static_cast<char>(151), "kl"}, {static_cast<char>(155), "p"},
};

// The segment box of a capital; lower-case letters are small capitals, a third lower.
constexpr double segmentLeft = 10.5, segmentRight = 21.5, segmentTop = 6.5, segmentBottom = 25.5;
constexpr double smallCapitalTop = 12.5;
constexpr double strokeHalf = 1.6, segmentGap = 0.4;

// A square dot as wide as a stroke.
double DotDistance(double x, double y, double cx, double cy)
{
    return BoxDistance(x, y, cx - strokeHalf, cy - strokeHalf, cx + strokeHalf, cy + strokeHalf);
}

Mask SegmentMask(const char* lit, bool small)
{
    const double top = small ? smallCapitalTop : segmentTop;
    const double xs[3] = {segmentLeft, (segmentLeft + segmentRight) / 2, segmentRight};
    const double ys[3] = {top, (top + segmentBottom) / 2, segmentBottom};
    // The lit segments as bars. A second half (b, d, f, h, l, n) lit right after its first
    // half extends it into one bar, which keeps the letters solid at their size on screen.
    std::vector<std::array<int, 4>> bars;
    const std::string on = lit;
    for (const Segment& s : segments) {
        if (on.find(s.name) == std::string::npos) continue;
        if (!bars.empty() && bars.back()[2] == s.from[0] && bars.back()[3] == s.from[1] &&
            std::string("bdfhln").find(s.name) != std::string::npos)
            bars.back() = {bars.back()[0], bars.back()[1], s.to[0], s.to[1]};
        else
            bars.push_back({s.from[0], s.from[1], s.to[0], s.to[1]});
    }
    return MaskOf([&](double x, double y) {
        double d = 1e9;
        for (const auto& bar : bars) {
            const double ax = xs[bar[0]], ay = ys[bar[1]], bx = xs[bar[2]], by = ys[bar[3]];
            // Pull both ends in so that neighbouring bars stay apart, as on a display.
            const double length = std::hypot(bx - ax, by - ay);
            const double gx = (bx - ax) / length * segmentGap, gy = (by - ay) / length * segmentGap;
            d = std::min(d, PointedBarDistance(x, y, ax + gx, ay + gy, bx - gx, by - gy, strokeHalf));
        }
        for (const char* c = lit; *c != 0; ++c) {
            const double centre = xs[1];
            if (*c == '.') d = std::min(d, DotDistance(x, y, centre, segmentBottom - 0.5));
            if (*c == ',' || *c == ';') {
                const double tail = PointedBarDistance(x, y, centre + 1, segmentBottom - 2, centre - 2,
                                                       segmentBottom + 3, 1.1);
                d = std::min({d, DotDistance(x, y, centre, segmentBottom - 1.5), tail});
            }
            if (*c == ':' || *c == ';') d = std::min(d, DotDistance(x, y, centre, ys[1] - 4.5));
            if (*c == ':') d = std::min(d, DotDistance(x, y, centre, ys[1] + 4.5));
        }
        return d;
    });
}

// A thin empty box: what a display shows for a code it has no segments for.
Mask EmptyBox()
{
    return MaskOf([](double x, double y) {
        return std::fabs(BoxDistance(x, y, 10.5, 7.5, 21.5, 24.5)) - 0.7;
    });
}

Mask SetZeroMask(int code)
{
    if (code == 35 || code == 36) return Triangle(code == 36, false);
    const char upper = static_cast<char>(code >= 'a' && code <= 'z' ? code - 32 : code);
    for (const SegmentGlyph& g : segmentGlyphs)
        if (g.character == upper) return SegmentMask(g.lit, upper != code);
    for (const SegmentGlyph& g : segmentGlyphsHigh)
        if (static_cast<unsigned char>(g.character) == code) return SegmentMask(g.lit, false);
    if (code >= 128 && UnicodeOf(code) != 0) return EmptyBox();
    return Mask{};
}

// The mask under a Gaussian of sigma 2 pixels, cut off at 5 and kept inside the cell.
Mask Blurred(const Mask& mask)
{
    constexpr int radius = 5;
    constexpr double sigma = 2.0;
    double kernel[2 * radius + 1];
    double total = 0;
    for (int i = -radius; i <= radius; ++i) {
        kernel[i + radius] = std::exp(-0.5 * i * i / (sigma * sigma));
        total += kernel[i + radius];
    }
    for (double& k : kernel) k /= total;
    // Across, then down.
    Mask across{}, blurred{};
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x)
            for (int i = std::max(-radius, -x); i <= std::min(radius, cell - 1 - x); ++i)
                across[y * cell + x] += kernel[i + radius] * mask[y * cell + x + i];
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x)
            for (int i = std::max(-radius, -y); i <= std::min(radius, cell - 1 - y); ++i)
                blurred[y * cell + x] += kernel[i + radius] * across[(y + i) * cell + x];
    return blurred;
}

// White segments over a faint red glow.
Canvas Glowing(const Mask& mask)
{
    const Mask blurred = Blurred(mask);
    const Color glow{0.85, 0.07, 0.04};
    Canvas glyph(cell, cell);
    for (int i = 0; i < cell * cell; ++i)
        glyph.pixels[i] = Mixed(Scaled(glow, 0.55 * std::min(1.0, 1.3 * blurred[i])), white, mask[i]);
    return glyph;
}

// ---- Font set 1: DejaVu Sans ----------------------------------------------------------------

constexpr int shown = cell / 2;
constexpr int emPixels = 12;
constexpr int shownBaseline = 12;
constexpr double widestAdvance = 9;  // wider glyphs are narrowed to this

class FontFace {
public:
    explicit FontFace(const std::string& path)
    {
        if (FT_Init_FreeType(&library) != 0) throw std::runtime_error("cannot start FreeType");
        if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
            FT_Done_FreeType(library);
            throw std::runtime_error("cannot read the font " + path);
        }
        FT_Set_Pixel_Sizes(face, 0, emPixels);
    }
    ~FontFace()
    {
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // The glyph centred on its advance in the middle of the cell, on the common baseline.
    // It is rasterised with full hinting at the size it is shown, and each of its pixels
    // becomes a 2 x 2 block of the cell: the program draws the cell at half size, so the
    // screen gets back the hinted pixels exactly.
    Mask Render(char32_t unicode)
    {
        Mask mask{};
        const FT_UInt index = FT_Get_Char_Index(face, unicode);
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_TARGET_NORMAL) != 0) return mask;
        const double advance = face->glyph->advance.x / 64.0;
        const double narrowing = std::min(1.0, widestAdvance / advance);
        FT_Matrix matrix{static_cast<FT_Fixed>(std::lround(narrowing * 65536)), 0, 0, 0x10000};
        FT_Set_Transform(face, &matrix, nullptr);
        const bool loaded = FT_Load_Glyph(face, index, FT_LOAD_TARGET_NORMAL | FT_LOAD_RENDER) == 0;
        FT_Set_Transform(face, nullptr, nullptr);
        if (!loaded) return mask;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int penX = static_cast<int>(std::lround(shown / 2.0 - slot->advance.x / 128.0));
        const int left = penX + slot->bitmap_left;
        const int top = shownBaseline - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int x = left + static_cast<int>(column), y = top + static_cast<int>(row);
                if (x < 0 || x >= shown || y < 0 || y >= shown) continue;
                const double v = bitmap.buffer[row * bitmap.pitch + column] / 255.0;
                for (int k = 0; k < 4; ++k) mask[(2 * y + k / 2) * cell + 2 * x + k % 2] = v;
            }
        }
        return mask;
    }

private:
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

Canvas White(const Mask& mask)
{
    Canvas glyph(cell, cell);
    for (int i = 0; i < cell * cell; ++i) glyph.pixels[i] = Scaled(white, mask[i]);
    return glyph;
}

Canvas SetOneGlyph(FontFace& font, int code)
{
    switch (code) {
    case 35: return White(Triangle(false, false));
    case 36: return White(Triangle(true, false));
    case 38: return Padlock();
    case 61: return White(FacingBrackets());
    case 62: return White(Triangle(true, true));
    default: return White(font.Render(UnicodeOf(code)));
    }
}

}  // namespace

Canvas FontSheet(const std::string& fontPath)
{
    FontFace font(fontPath);
    Canvas sheet(16 * cell, 16 * cell);
    for (int code = 33; code < 160; ++code) {
        const int g = code - 32;
        sheet.Paste(Glowing(SetZeroMask(code)), (g % 16) * cell, (g / 16) * cell);
        const int h = g + 128;
        sheet.Paste(SetOneGlyph(font, code), (h % 16) * cell, (h / 16) * cell);
    }
    return sheet;
}

}  // namespace tessalume::artwork
