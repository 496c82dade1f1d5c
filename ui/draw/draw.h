// Drawing of the program's own interface with OpenGL 1.1: the textures and display lists made
// at start-up, the primitives, every control and the whole frame. Only the window program
// links this; the control model in ui/ knows nothing of it. Every call needs the OpenGL
// context current on the interface thread.
#pragma once
#include <cstdint>

namespace tessalume {

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
