// Graphics family, sprite theme: sprites and backgrounds drawn by game code.
#include "functions/Function_Graphics.h"

#include "graphics/Graphics_Sprite.h"
#include "graphics/Room_Draw.h"
#include "resources/Background_Class.h"
#include "resources/Background_Main.h"
#include "resources/Sprite_Class.h"
#include "resources/Sprite_Main.h"
#include "run/Instance_Class.h"

namespace {

double R(const RValue& v) {
    return Arg_Real(v);
}

// The sprite of args[0] and the image of args[1]; null after reporting a missing sprite.
const CSprite* SpriteArg(CInstance* self, RValue* args, int& img) {
    const CSprite* spr = Sprite_Get(Arg_Int(args[0]));
    if (!spr) {
        Function_Error("Trying to draw non-existing sprite.");
        return nullptr;
    }
    img = Room_SubImage(self, Arg_Int(args[1]));
    return spr;
}

const CBackground* BackgroundArg(RValue* args) {
    const CBackground* back = Background_Get(Arg_Int(args[0]));
    if (!back) Function_Error("Trying to draw non-existing background.");
    return back;
}

} // namespace

QV_FUNCTION(F_DrawSelf) {
    const CSprite* spr = Sprite_Get(self->i_spriteindex);
    if (!spr) {
        Function_Error("Trying to draw non-existing sprite.");
        return;
    }
    Sprite_Draw(*spr, Room_SubImage(self, -1), self->i_x, self->i_y, self->i_imagescalex, self->i_imagescaley,
                self->i_imageangle, int32_t(self->i_imageblend), self->i_imagealpha);
}

QV_FUNCTION(F_DrawSprite) {
    int img;
    if (const CSprite* s = SpriteArg(self, args, img)) Sprite_DrawSimple(*s, img, R(args[2]), R(args[3]));
}

QV_FUNCTION(F_DrawSpritePos) {
    int img;
    if (const CSprite* s = SpriteArg(self, args, img))
        Sprite_DrawPos(*s, img, R(args[2]), R(args[3]), R(args[4]), R(args[5]), R(args[6]), R(args[7]),
                       R(args[8]), R(args[9]), R(args[10]));
}

QV_FUNCTION(F_DrawSpriteExt) {
    int img;
    if (const CSprite* s = SpriteArg(self, args, img))
        Sprite_Draw(*s, img, R(args[2]), R(args[3]), R(args[4]), R(args[5]), R(args[6]), Arg_Colour(args[7]),
                    R(args[8]));
}

QV_FUNCTION(F_DrawSpriteStretched) {
    int img;
    if (const CSprite* s = SpriteArg(self, args, img))
        Sprite_DrawStretched(*s, img, R(args[2]), R(args[3]), R(args[4]), R(args[5]), 0xFFFFFF, 1);
}

QV_FUNCTION(F_DrawSpriteStretchedExt) {
    int img;
    if (const CSprite* s = SpriteArg(self, args, img))
        Sprite_DrawStretched(*s, img, R(args[2]), R(args[3]), R(args[4]), R(args[5]), Arg_Colour(args[6]),
                             R(args[7]));
}

QV_FUNCTION(F_DrawSpritePart) {
    int img;
    if (const CSprite* s = SpriteArg(self, args, img))
        Sprite_DrawPart(*s, img, R(args[2]), R(args[3]), R(args[4]), R(args[5]), R(args[6]), R(args[7]), 1, 1,
                        0xFFFFFF, 1);
}

QV_FUNCTION(F_DrawSpritePartExt) {
    int img;
    if (const CSprite* s = SpriteArg(self, args, img))
        Sprite_DrawPart(*s, img, R(args[2]), R(args[3]), R(args[4]), R(args[5]), R(args[6]), R(args[7]),
                        R(args[8]), R(args[9]), Arg_Colour(args[10]), R(args[11]));
}

QV_FUNCTION(F_DrawSpriteGeneral) {
    int img;
    if (const CSprite* s = SpriteArg(self, args, img))
        Sprite_DrawGeneral(*s, img, R(args[2]), R(args[3]), R(args[4]), R(args[5]), R(args[6]), R(args[7]),
                           R(args[8]), R(args[9]), R(args[10]), Arg_Colour(args[11]), Arg_Colour(args[12]),
                           Arg_Colour(args[13]), Arg_Colour(args[14]), R(args[15]));
}

QV_FUNCTION(F_DrawSpriteTiled) {
    int img, w, h;
    Room_RegionSize(w, h);
    if (const CSprite* s = SpriteArg(self, args, img))
        Sprite_DrawTiled(*s, img, R(args[2]), R(args[3]), 1, 1, true, true, 0, 0, w, h, 0xFFFFFF, 1);
}

QV_FUNCTION(F_DrawSpriteTiledExt) {
    int img, w, h;
    Room_RegionSize(w, h);
    if (const CSprite* s = SpriteArg(self, args, img))
        Sprite_DrawTiled(*s, img, R(args[2]), R(args[3]), R(args[4]), R(args[5]), true, true, 0, 0, w, h,
                         Arg_Colour(args[6]), R(args[7]));
}

QV_FUNCTION(F_DrawBackground) {
    if (const CBackground* b = BackgroundArg(args)) Background_DrawSimple(*b, R(args[1]), R(args[2]));
}

QV_FUNCTION(F_DrawBackgroundExt) {
    if (const CBackground* b = BackgroundArg(args))
        Background_Draw(*b, R(args[1]), R(args[2]), R(args[3]), R(args[4]), R(args[5]), Arg_Colour(args[6]),
                        R(args[7]));
}

QV_FUNCTION(F_DrawBackgroundStretched) {
    if (const CBackground* b = BackgroundArg(args))
        Background_DrawStretched(*b, R(args[1]), R(args[2]), R(args[3]), R(args[4]), 0xFFFFFF, 1);
}

QV_FUNCTION(F_DrawBackgroundStretchedExt) {
    if (const CBackground* b = BackgroundArg(args))
        Background_DrawStretched(*b, R(args[1]), R(args[2]), R(args[3]), R(args[4]), Arg_Colour(args[5]),
                                 R(args[6]));
}

QV_FUNCTION(F_DrawBackgroundPart) {
    if (const CBackground* b = BackgroundArg(args))
        Background_DrawPart(*b, R(args[1]), R(args[2]), R(args[3]), R(args[4]), R(args[5]), R(args[6]), 1, 1,
                            0xFFFFFF, 1);
}

QV_FUNCTION(F_DrawBackgroundPartExt) {
    if (const CBackground* b = BackgroundArg(args))
        Background_DrawPart(*b, R(args[1]), R(args[2]), R(args[3]), R(args[4]), R(args[5]), R(args[6]),
                            R(args[7]), R(args[8]), Arg_Colour(args[9]), R(args[10]));
}

QV_FUNCTION(F_DrawBackgroundGeneral) {
    if (const CBackground* b = BackgroundArg(args))
        Background_DrawGeneral(*b, R(args[1]), R(args[2]), R(args[3]), R(args[4]), R(args[5]), R(args[6]),
                               R(args[7]), R(args[8]), R(args[9]), Arg_Colour(args[10]), Arg_Colour(args[11]),
                               Arg_Colour(args[12]), Arg_Colour(args[13]), R(args[14]));
}

QV_FUNCTION(F_DrawBackgroundTiled) {
    int w, h;
    Room_RegionSize(w, h);
    if (const CBackground* b = BackgroundArg(args))
        Background_DrawTiled(*b, R(args[1]), R(args[2]), 1, 1, true, true, 0, 0, w, h, 0xFFFFFF, 1);
}

QV_FUNCTION(F_DrawBackgroundTiledExt) {
    int w, h;
    Room_RegionSize(w, h);
    if (const CBackground* b = BackgroundArg(args))
        Background_DrawTiled(*b, R(args[1]), R(args[2]), R(args[3]), R(args[4]), true, true, 0, 0, w, h,
                             Arg_Colour(args[5]), R(args[6]));
}
