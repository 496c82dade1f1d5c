// Drawing of the program's own interface with OpenGL 1.1: the textures and display lists made
// at start-up, the primitives, every control and the whole frame. Only the window program
// links this; the control model in ui/ knows nothing of it. Every call needs the OpenGL
// context current on the interface thread.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "engine/engine.h"

namespace tessalume {

class Button;
class ListBox;
class OptionsBox;
class Tab;
class SLWindow;
class TSelector;

// The about page is drawn over the preview while this is on (the "About" button flips it).
extern bool aboutShown;

// ---- Start-up, in this order ------------------------------------------------------------

// The window's client area; drawing coordinates have their origin at its lower left, y upward.
inline constexpr int32_t clientWidth = 1011, clientHeight = 732;
// The square the preview fills, inside its frame; the about page covers the same square.
struct ScreenSquare {
    float left, bottom, right, top;
};
inline constexpr ScreenSquare previewSquare{491, 212, 1003, 724};

// Depth testing, viewport and projection of the client area, one unit per pixel; a cleared frame.
void SetupProjection();
// Clears colour, depth and stencil.
void ClearFrame();
// The widget textures, the 256 glyph lists and the 128 thumbnail lists.
void LoadWidgetTextures();
void BuildFontLists();
void BuildThumbnailLists();
// The display lists of every control; after BuildControls.
void BuildControlLists();
// The about page, version label, panel frames, preview textures and the two preview quads.
void BuildStaticLists();

// Texture names and display-list bases made at start-up. Glyph list 128 f + c - 32 draws byte c
// of font set f and moves the pen 8 to the right; thumbnail list k shows sheet cell k. Each list
// binds its own sheet: callers only enable texturing (and blending, for text).
extern uint32_t glowTexture, buttonFaceTexture, buttonPressedTexture, fontTexture, thumbnailTexture;
extern uint32_t fontListBase, thumbnailListBase;

// The about page, drawn over the preview while aboutShown is on. Part of BuildStaticLists.
extern uint32_t aboutPageList;
void BuildAboutPageList();

// ---- Controls ---------------------------------------------------------------------------

// Each records the control's display lists from its built geometry and keeps them, keyed by
// the control, for its Draw.
void BuildLists(const Button& button);
void BuildLists(const ListBox& list);
void BuildLists(const OptionsBox& box);
void BuildLists(const Tab& tabs);
void BuildLists(const SLWindow& panel);
void BuildLists(const TSelector& browser);

// One control as the frame shows it; nothing while the control is not visible. A button counts
// its pressTicks down, so the pressed look lasts a fixed number of frames.
void Draw(Button& button);
void Draw(ListBox& list);
void Draw(OptionsBox& box);
void Draw(Tab& tabs);
void Draw(SLWindow& panel);
void Draw(TSelector& browser, int32_t highlighted);
// The "Tiled Image resolution" panel: value text and wheel sit further right.
void DrawTileSizePanel(SLWindow& panel);

// The controls of the open page (with the colour strip on the "Attractor" page), then the
// controls every page shows, in the frame's order.
void DrawPanelControls(const Quilt& quilt, const Settings& settings);

// ---- Preview ----------------------------------------------------------------------------

// The preview texture of every resolution, all black, and the "Attractor" and "Tiles" quads.
// Part of BuildStaticLists.
void BuildPreviewTexturesAndQuads();
// The square copy of the quilt's period that the preview texture of its resolution shows.
inline constexpr std::size_t previewPixelBytes = std::size_t{maxTextureSize} * maxTextureSize * 3;
extern uint8_t previewPixels[previewPixelBytes];
// Replaces the texture of the resolution with previewPixels, and shows that texture from now
// on. The worker changes the resolution only while a reset is pending: call this only when
// none is.
void UploadPreview(int32_t resolution);
// Fills previewPixels with zeros and uploads it into the texture shown: the preview goes black.
void BlankPreview();
// The texture shown, through the quad of the "Preview Type" selection.
void DrawPreview();

// ---- Frame ------------------------------------------------------------------------------

// Draws one whole frame of the quilt grown with the settings, with the export notice when it is
// not empty, and the export's progress bar, in the search bar's place, when it has a share
// written (0 to 1); the caller swaps the buffers.
void DrawFrame(const Quilt& quilt, const Settings& settings, const std::string& exportNotice,
               std::optional<double> exportProgress);
// The characters the notice line under the preview holds, 8 pixels each.
inline constexpr std::size_t noticeColumns = 64;

// ---- Primitives -------------------------------------------------------------------------

void DrawText(int32_t x, int32_t y, const char* text, int32_t fontSet);
void DrawNumber(int32_t x, int32_t y, int32_t n);
void DrawThumbnail(int32_t x, int32_t y, int32_t index);

}  // namespace tessalume
