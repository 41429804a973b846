// CRoom as the room resource: size, speed, colour, 8 background layers, 8 views, the placed
// instances with their creation code, the tiles and the creation code. The live copy that owns
// instances is made from this when a room is entered.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CStream;

inline constexpr int kRoomLayers = 8;
inline constexpr int kRoomViews = 8;

struct CBack {
    bool visible = false;
    bool foreground = false;
    int index = -1;
    double x = 0, y = 0;
    bool htiled = true, vtiled = true;
    double hspeed = 0, vspeed = 0;
    double xscale = 1, yscale = 1;
    int blend = 0xFFFFFF;
    double alpha = 1;
    bool stretch = false; // as stored: scale the background to the room
};

struct CView {
    bool visible = false;
    int xview = 0, yview = 0, wview = 640, hview = 480;
    int xport = 0, yport = 0, wport = 640, hport = 480;
    double angle = 0;
    int hborder = 32, vborder = 32;
    int hspeed = -1, vspeed = -1;
    int index = -1;
};

struct RTile {
    double x = 0, y = 0;
    int index = -1;
    int xo = 0, yo = 0, w = 0, h = 0;
    double depth = 0;
    int id = 0;
    double xscale = 1, yscale = 1;
    int blend = 0xFFFFFF;
    double alpha = 1;
    bool visible = true;
};

// An instance as placed in the room resource; the live room makes a CInstance from it.
struct RRoomInstance {
    int x = 0, y = 0;
    int object = 0;
    int id = 0;
    std::string code;
    double xscale = 1, yscale = 1;
    int blend = 0xFFFFFF;
    double alpha = 1;
    double angle = 0;
};

class CRoom {
  public:
    void Clear() { *this = CRoom(); }
    void Assign(const CRoom& room) { *this = room; }
    // Record versions 541, 810, 811 and 820 (see the .cpp). False on another version, more than
    // 8 layers or views, or a count the stream cannot hold.
    bool LoadFromStream(CStream& str);

    // Every layer's position moves by its speed.
    void ScrollBackground();

    // Tiles. Indices outside the list address nothing; r_lasttile caches the last tile found.
    int AddTile(const RTile& val); // a copy with the next tile id; its index
    void ClearTiles();
    int FindTile(int id);                                // index of the tile with that id, or -1
    int FindTileAt(double x, double y, bool foreground); // first tile covering (x, y) on that side
    void DeleteTilesAt(double x, double y, bool foreground);
    void DeleteTile(int ind);
    void SortTiles(); // by decreasing depth, stable; only when not in that order already
    void HideTilesDepth(double depth);
    void ShowTilesDepth(double depth);
    void DeleteTilesDepth(double depth);
    void ShiftTilesDepth(double depth, double x, double y);
    int FindTileAtDepth(double depth, double x, double y);
    void DeleteTilesAtDepth(double depth, double x, double y);
    void ChangeTilesDepth(double olddepth, double newdepth);
    RTile* Tile(int ind) { return ind >= 0 && ind < int(r_tile.size()) ? &r_tile[size_t(ind)] : nullptr; }

    int r_version = 820; // the record version read
    std::string r_caption;
    int r_speed = 30;
    int r_width = 640, r_height = 480;
    bool r_persistent = false;
    int r_color = 0xC0C0C0;
    bool r_showcolor = true;
    std::array<CBack, kRoomLayers> r_background{};
    int r_nbackgrounds = kRoomLayers; // layers the record listed
    bool r_enableviews = false;
    bool r_clearViewBackground = true;
    std::array<CView, kRoomViews> r_view{};
    int r_nviews = kRoomViews; // views the record listed
    std::string r_code;
    std::vector<RRoomInstance> r_instances;
    std::vector<RTile> r_tile;
    int r_lasttile = -1;
};

// The next tile id: the process-wide counter starts at the last tile id of the game data.
int Room_NextTileId();

// The size of a background resource, for stretched layers; false when it does not exist. The
// background list connects it; unconnected, stretched layers keep scale 1.
using TBackgroundSize = bool (*)(int index, int& width, int& height);
void Room_SetBackgroundSize(TBackgroundSize size);

// A colour word: bits 0..23 the blend colour, bits 24..31 the alpha as 0..255.
inline int Room_ColourBlend(uint32_t word) {
    return int(word & 0xFFFFFFu);
}
inline double Room_ColourAlpha(uint32_t word) {
    return double(word >> 24) / 255.0;
}
