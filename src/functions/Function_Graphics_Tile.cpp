// Graphics family, tile theme: the tiles of the current room.
#include "functions/Function_Graphics.h"

#include "graphics/Room_Draw.h"
#include "resources/Background_Main.h"
#include "resources/Room_Class.h"

namespace {

double R(const RValue& v) {
    return Arg_Real(v);
}

// The tile whose id is args[0], or null after "Tile does not exist.".
RTile* TileArg(RValue* args) {
    CRoom* room = Room_Live();
    RTile* t = room ? room->Tile(room->FindTile(Arg_Int(args[0]))) : nullptr;
    if (!t) Function_Error("Tile does not exist.");
    return t;
}

} // namespace

QV_FUNCTION(F_TileGetX) {
    if (RTile* t = TileArg(args)) result.SetReal(t->x);
}
QV_FUNCTION(F_TileGetY) {
    if (RTile* t = TileArg(args)) result.SetReal(t->y);
}
QV_FUNCTION(F_TileGetLeft) {
    if (RTile* t = TileArg(args)) result.SetReal(t->xo);
}
QV_FUNCTION(F_TileGetTop) {
    if (RTile* t = TileArg(args)) result.SetReal(t->yo);
}
QV_FUNCTION(F_TileGetWidth) {
    if (RTile* t = TileArg(args)) result.SetReal(t->w);
}
QV_FUNCTION(F_TileGetHeight) {
    if (RTile* t = TileArg(args)) result.SetReal(t->h);
}
QV_FUNCTION(F_TileGetDepth) {
    if (RTile* t = TileArg(args)) result.SetReal(t->depth);
}
QV_FUNCTION(F_TileGetVisible) {
    if (RTile* t = TileArg(args)) result.SetReal(t->visible ? 1 : 0);
}
QV_FUNCTION(F_TileGetXscale) {
    if (RTile* t = TileArg(args)) result.SetReal(t->xscale);
}
QV_FUNCTION(F_TileGetYscale) {
    if (RTile* t = TileArg(args)) result.SetReal(t->yscale);
}
QV_FUNCTION(F_TileGetBlend) {
    if (RTile* t = TileArg(args)) result.SetReal(t->blend);
}
QV_FUNCTION(F_TileGetAlpha) {
    if (RTile* t = TileArg(args)) result.SetReal(t->alpha);
}
QV_FUNCTION(F_TileGetBackground) {
    result.SetReal(-1);
    if (RTile* t = TileArg(args)) result.SetReal(t->index);
}

QV_FUNCTION(F_TileSetVisible) {
    if (RTile* t = TileArg(args)) t->visible = Arg_Bool(args[1]);
}
QV_FUNCTION(F_TileSetBackground) {
    RTile* t = TileArg(args);
    if (!t) return;
    const int back = Arg_Int(args[1]);
    if (!Background_Exists(back)) {
        Function_Error("Background does not exist.");
        return;
    }
    t->index = back;
}
QV_FUNCTION(F_TileSetRegion) {
    if (RTile* t = TileArg(args)) {
        t->xo = Arg_Int(args[1]);
        t->yo = Arg_Int(args[2]);
        t->w = Arg_Int(args[3]);
        t->h = Arg_Int(args[4]);
    }
}
QV_FUNCTION(F_TileSetPosition) {
    if (RTile* t = TileArg(args)) {
        t->x = R(args[1]);
        t->y = R(args[2]);
    }
}
QV_FUNCTION(F_TileSetDepth) {
    if (RTile* t = TileArg(args)) t->depth = R(args[1]);
}
QV_FUNCTION(F_TileSetScale) {
    if (RTile* t = TileArg(args)) {
        t->xscale = R(args[1]);
        t->yscale = R(args[2]);
    }
}
QV_FUNCTION(F_TileSetBlend) {
    if (RTile* t = TileArg(args)) t->blend = Arg_Colour(args[1]);
}
QV_FUNCTION(F_TileSetAlpha) {
    if (RTile* t = TileArg(args)) t->alpha = R(args[1]);
}

QV_FUNCTION(F_TileAdd) {
    result.SetReal(-1);
    const int back = Arg_Int(args[0]);
    if (!Background_Exists(back)) {
        Function_Error("Background does not exist.");
        return;
    }
    CRoom* room = Room_Live();
    if (!room) return;
    RTile t;
    t.index = back;
    t.xo = Arg_Int(args[1]);
    t.yo = Arg_Int(args[2]);
    t.w = Arg_Int(args[3]);
    t.h = Arg_Int(args[4]);
    t.x = R(args[5]);
    t.y = R(args[6]);
    t.depth = R(args[7]);
    result.SetReal(room->Tile(room->AddTile(t))->id);
}

QV_FUNCTION(F_TileFind) {
    result.SetReal(-1);
    CRoom* room = Room_Live();
    if (!room) return;
    if (RTile* t = room->Tile(room->FindTileAt(Arg_Int(args[0]), Arg_Int(args[1]), Arg_Bool(args[2]))))
        result.SetReal(t->id);
}

QV_FUNCTION(F_TileExists) {
    CRoom* room = Room_Live();
    result.SetReal(room && room->FindTile(Arg_Int(args[0])) >= 0 ? 1 : 0);
}

QV_FUNCTION(F_TileDelete) {
    CRoom* room = Room_Live();
    const int ind = room ? room->FindTile(Arg_Int(args[0])) : -1;
    if (ind < 0) {
        Function_Error("Tile does not exist.");
        return;
    }
    room->DeleteTile(ind);
}

QV_FUNCTION(F_TileDeleteAt) {
    if (CRoom* room = Room_Live()) room->DeleteTilesAt(Arg_Int(args[0]), Arg_Int(args[1]), Arg_Bool(args[2]));
}

QV_FUNCTION(F_TileLayerHide) {
    if (CRoom* room = Room_Live()) room->HideTilesDepth(R(args[0]));
}
QV_FUNCTION(F_TileLayerShow) {
    if (CRoom* room = Room_Live()) room->ShowTilesDepth(R(args[0]));
}
QV_FUNCTION(F_TileLayerDelete) {
    if (CRoom* room = Room_Live()) room->DeleteTilesDepth(R(args[0]));
}
QV_FUNCTION(F_TileLayerShift) {
    if (CRoom* room = Room_Live()) room->ShiftTilesDepth(R(args[0]), R(args[1]), R(args[2]));
}
QV_FUNCTION(F_TileLayerFind) {
    result.SetReal(-1);
    CRoom* room = Room_Live();
    if (!room) return;
    if (RTile* t = room->Tile(room->FindTileAtDepth(R(args[0]), R(args[1]), R(args[2]))))
        result.SetReal(t->id);
}
QV_FUNCTION(F_TileLayerDeleteAt) {
    if (CRoom* room = Room_Live()) room->DeleteTilesAtDepth(R(args[0]), R(args[1]), R(args[2]));
}
QV_FUNCTION(F_TileLayerDepth) {
    if (CRoom* room = Room_Live()) room->ChangeTilesDepth(R(args[0]), R(args[1]));
}
