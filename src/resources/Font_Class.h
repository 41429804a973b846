// CFont: an atlas font (8-bit coverage atlas and per-character glyph table, from the game data or
// rendered at run time from an installed font) or a sprite font (characters are sprite images).
// Characters are single bytes of the code page that the font's character set selects.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CStream;

class CFont {
  public:
    std::string s_name;
    int32_t s_size = 12;
    bool s_bold = false;
    bool s_italic = false;
    int32_t s_charset = 1;
    int32_t s_AntiAlias = 3;
    int32_t s_first = 32;
    int32_t s_last = 128;
    int32_t s_spr = -1;
    std::array<int32_t, 256> s_x{}, s_y{}, s_w{}, s_h{}, s_shift{}, s_offset{};
    int32_t s_bw = 0;
    int32_t s_bh = 0;
    std::vector<uint8_t> s_bytes; // s_bw x s_bh coverage values, rows from the top
    int s_tex = -1;
    int32_t s_FontHeight = 0;

    CFont() = default;
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // Defaults, no atlas, no texture.
    void Clear();
    void Assign(const CFont& obj);
    bool IsSpriteFont() const { return s_spr >= 0; }

    // The font record: version 800, name, size, bold, italic, the packed word F (first character,
    // character set, anti-aliasing), last, the glyph table, the atlas size and its bytes. False on
    // a wrong version, an atlas whose size does not match its bytes, or a cell outside the atlas;
    // raises EStreamReadError on short data. Creates no texture.
    bool LoadFromStream(CStream& str);
    void SaveToStream(CStream& str) const;

    // Renders the atlas of characters first..last (clamped to 0..255) of an installed font (a
    // missing family falls back to a similar one). False, with the font cleared, when no font
    // can be opened or the glyphs do not fit a 2048 x 2048 atlas.
    bool CreateFont(const std::string& name, int size, bool bold, bool italic, int first, int last);
    // The same with the characters taken from the code page of the character set charset.
    bool CreateFontCharset(const std::string& name, int size, bool bold, bool italic, int first, int last,
                           int charset);
    // A sprite font from sprite ind: one character per image from first on; prop takes each
    // image's own width, sep is added to every advance. A missing sprite leaves the font cleared.
    void CreateFromSprite(int ind, int first, bool prop, int sep);

    // The advance of a character byte: its own within s_first..s_last, else that of the space
    // when the space lies in the range, else that of s_first.
    int GetShift(uint8_t c) const;

    void InitTexture();
    void FreeTexture();
};

// The code page of a character set; 1252 stands for the system's code page.
int Font_CodePage(int charset);
// The Unicode code point of a byte of the code page; 0 when the byte is not a character of its own.
uint32_t Font_CharToUnicode(uint8_t c, int codepage);
// UTF-8 text as bytes of the code page; characters it lacks become '?'.
std::string Font_TextToCodePage(const std::string& utf8, int codepage);

// The atlas size that test packing chooses for cells of these sizes, in this order, with gaps of
// gap pixels: the smallest of 2048 x 2048, 2048 x 1024, 1024 x 1024, ... that holds them.
// False when they do not fit 2048 x 2048.
bool Font_ChooseAtlasSize(const std::vector<std::pair<int, int>>& cells, int gap, int& bw, int& bh);
