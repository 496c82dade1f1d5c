// Drawing of the program's own interface with OpenGL 1.1: the textures and display lists made
// at start-up, the primitives, every control and the whole frame. Only the window program
// links this; the control model in ui/ knows nothing of it. Every call needs the OpenGL
// context current on the interface thread.
#pragma once
#include <cstdint>

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

// Viewport and projection of the 1011 x 732 client area, origin at the lower left.
void SetupProjection();
// The widget textures, the 256 glyph lists and the 128 thumbnail lists.
void LoadWidgetTextures();
void BuildFontLists();
void BuildThumbnailLists();
// The display lists of every control; after BuildControls.
void BuildControlLists();
// The about page, version label, panel frames, preview textures and the two preview quads.
void BuildStaticLists();

// Texture names and display-list bases made at start-up. Glyph list 128 f + c - 32 draws byte c
// of font set f and moves the pen 8 to the right; thumbnail list k shows sheet cell k.
extern uint32_t glowTexture, buttonFaceTexture, buttonPressedTexture, fontTexture, thumbnailTexture;
extern uint32_t fontListBase, thumbnailListBase;

// The about page, drawn over the preview while aboutShown is on. Part of BuildStaticLists.
extern uint32_t aboutPageList;
void BuildAboutPageList();

// ---- Controls ---------------------------------------------------------------------------

// Each records the control's display lists into its list fields, from its built geometry.
void BuildLists(Button& button);
void BuildLists(ListBox& list);
void BuildLists(OptionsBox& box);
void BuildLists(Tab& tabs);
void BuildLists(SLWindow& panel);
void BuildLists(TSelector& browser);

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

// ---- Preview ----------------------------------------------------------------------------

// Replaces the texture of activeResolution with previewPixels.
void UploadPreview();
// Fills previewPixels with zeros and uploads it: the preview goes black.
void BlankPreview();

// ---- Frame ------------------------------------------------------------------------------

// Draws one whole frame; the caller swaps the buffers.
void DrawFrame();

// ---- Primitives -------------------------------------------------------------------------

void DrawText(int32_t x, int32_t y, const char* text, int32_t fontSet);
void DrawNumber(int32_t x, int32_t y, int32_t n);
void DrawThumbnail(int32_t x, int32_t y, int32_t index);

}  // namespace tessalume
