// Rasterising installed fonts into glyph coverage, over fontconfig (finding a face by family,
// weight and slant, with its fall-back to a similar face) and FreeType (outlines to grey levels).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Text metrics of an opened font, in pixels.
struct TFontMetrics {
    int height = 0;   // ascent + descent
    int ascent = 0;   // from the line top to the baseline
    int avgWidth = 0; // average character width
    int maxWidth = 0; // widest advance
};

// One glyph as 65-level coverage (0..64), rows top to bottom without padding.
struct TGlyph {
    int width = 0;               // black-box width
    int height = 0;              // black-box height
    int originX = 0;             // from the pen to the box's left edge
    int originY = 0;             // from the baseline up to the box's top edge
    int advance = 0;             // pen advance
    std::vector<uint8_t> levels; // width x height
};

class TPlatformFont {
  public:
    virtual ~TPlatformFont() = default;
    virtual TFontMetrics Metrics() const = 0;
    // The glyph of a Unicode code point; an empty box (and its advance) for a blank glyph.
    virtual TGlyph Glyph(uint32_t codepoint) const = 0;
    // The family of the face actually opened (after fall-back).
    virtual std::string Family() const = 0;
};

// Opens the installed face that best matches the family name, at size points (96 pixels per
// inch). A family that is not installed falls back as fontconfig chooses. Null when no font
// at all can be opened.
std::unique_ptr<TPlatformFont> Platform_OpenFont(const std::string& family, int size, bool bold, bool italic);

// The family of the face Platform_OpenFont opens for the request: the family itself (as the face
// spells it) when a face of it is installed, else the family fallen back to; "" when none.
std::string Platform_FontFamilyUsed(const std::string& family, bool bold, bool italic);
